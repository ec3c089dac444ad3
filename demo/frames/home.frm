<section class="card">
<h1>~~home_heading~~</h1>
<p class="lead">~~home_intro~~</p>
</section>
<section class="card">
<h2>~~home_examples~~</h2>
<ul class="examples">
<li><a href="<--CGI_PATH-->?C21COM=S&amp;I21DBN=RUSMARC<? @rdrq ?>&amp;LNG=~~code~~&amp;S21P01=1&amp;S21P03=K%3D&amp;S21LOG=1&amp;S21STR=%D0%BA%D1%80%D0%B0%D1%81%D0%BD%D0%BE%D0%B5%20%D0%BA%D0%BE%D0%BB%D0%B5%D1%81%D0%BE" lang="ru">красное колесо</a> <span class="meta">· ~~db_RUSMARC~~</span></li>
<li><a href="<--CGI_PATH-->?C21COM=S&amp;I21DBN=RUSMARC<? @rdrq ?>&amp;LNG=~~code~~&amp;S21P01=1&amp;S21P03=K%3D&amp;S21LOG=1&amp;S21STR=%D0%B3%D1%83%D0%BB%D0%B0%D0%B3" lang="ru">гулаг</a> <span class="meta">· ~~db_RUSMARC~~</span></li>
<li><a href="<--CGI_PATH-->?C21COM=S&amp;I21DBN=MARC21<? @rdrq ?>&amp;LNG=~~code~~&amp;S21P01=1&amp;S21P03=K%3D&amp;S21LOG=1&amp;S21STR=finland" lang="en">finland</a> <span class="meta">· ~~db_MARC21~~</span></li>
<li><a href="<--CGI_PATH-->?C21COM=S&amp;I21DBN=MARC21<? @rdrq ?>&amp;LNG=~~code~~&amp;S21P01=1&amp;S21P03=K%3D&amp;S21LOG=1&amp;S21STR=perl" lang="en">perl</a> <span class="meta">· ~~db_MARC21~~</span></li>
</ul>
</section>
<section class="card">
<h2>~~home_tips~~</h2>
<ul>
<li>~~home_tip1~~</li>
<li>~~home_tip2~~</li>
<li>~~home_tip3~~</li>
</ul>
</section>
