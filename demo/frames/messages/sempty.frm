<!DOCTYPE html>
<html lang="ru">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Каталог библиотеки · Library catalogue</title>
<link rel="stylesheet" href="/static/zarix.css">
</head>
<body>
<header class="site-header">
<div class="wrap bar"><a class="brand" href="/cgi-bin/cgizarix64?C21COM=F">Каталог библиотеки · <span lang="en">Library catalogue</span></a></div>
</header>
<main id="main">
<div class="wrap">
<section class="card" role="alert">
<h1>Сообщение · <span lang="en">Message</span></h1>
<p>
Пустой ответ
</p>
</section>
</div>
</main>
</body>
</html>
