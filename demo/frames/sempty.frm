<section class="empty card">
<h1>~~empty_heading~~</h1>
<p>~~empty_query~~ <strong class="query"><? @qhtml ?></strong></p>
<p>~~empty_try~~</p>
<ul>
<li>~~empty_tip1~~</li>
<li>~~empty_tip2~~</li>
<li><a href="<--CGI_PATH-->?C21COM=F&amp;PAGE=adv&amp;I21DBN=<--DATABASE--><? @rdrq ?>&amp;LNG=~~code~~">~~empty_tip3~~</a></li>
<li><a href="<--CGI_PATH-->?C21COM=T&amp;T21PRF=K%3D&amp;I21DBN=<--DATABASE-->&amp;LNG=~~code~~&amp;T21TRM=<? @firstword,@rdrq ?>">~~empty_tip4~~</a></li>
</ul>
</section>
