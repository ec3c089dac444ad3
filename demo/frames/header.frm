<!DOCTYPE html>
<html lang="~~code~~">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>~~site_title~~</title>
<link rel="stylesheet" href="<--HTTP_PATH-->/zarix.css">
</head>
<body>
<a class="skip-link" href="#main">~~skip~~</a>
<header class="site-header">
<div class="wrap bar">
<a class="brand" href="<--CGI_PATH-->?C21COM=F&amp;I21DBN=<--DATABASE--><? @rdrq ?>&amp;LNG=~~code~~">~~site_title~~</a>
<nav class="langs" aria-label="~~languages~~">
<ul>
<li><a lang="ru" hreflang="ru" href="<--CGI_PATH-->?<? @selfq ?>&amp;LNG=ru" ~~cur_ru~~>Русский</a></li>
<li><a lang="en" hreflang="en" href="<--CGI_PATH-->?<? @selfq ?>&amp;LNG=en" ~~cur_en~~>English</a></li>
</ul>
</nav>
<!FORMAT=@reader>
</div>
<div class="wrap">
<form class="search" role="search" action="<--CGI_PATH-->" method="get">
<input type="hidden" name="C21COM" value="S">
<input type="hidden" name="LNG" value="~~code~~">
<input type="hidden" name="S21P01" value="1">
<input type="hidden" name="S21P03" value="K=">
<input type="hidden" name="S21LOG" value="1">
<!FORMAT=@rdrin>
<div class="field-db">
<label for="db">~~db_label~~</label>
<select id="db" name="I21DBN">
<!FORMAT=@dboptions>
</select>
</div>
<div class="field-q">
<label for="q">~~search_label~~</label>
<input id="q" type="search" name="S21STR" value="<? @qbox ?>" autocomplete="off">
</div>
<button type="submit">~~search_button~~</button>
<p class="search-links">
<a href="<--CGI_PATH-->?C21COM=F&amp;PAGE=adv&amp;I21DBN=<--DATABASE--><? @rdrq ?>&amp;LNG=~~code~~">~~advanced~~</a>
<a href="<--CGI_PATH-->?C21COM=T&amp;T21PRF=K%3D&amp;I21DBN=<--DATABASE--><? @rdrq ?>&amp;LNG=~~code~~">~~dictionary~~</a>
</p>
</form>
</div>
</header>
<main id="main" tabindex="-1">
<div class="wrap">
