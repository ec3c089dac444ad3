<section class="card">
<h1>~~home_heading~~</h1>
<p class="lead">~~home_intro~~</p>
</section>
<section class="card">
<h2>~~home_tips~~</h2>
<ul>
<li>~~home_tip1~~</li>
<li>~~home_tip2~~</li>
<li>~~home_tip3~~</li>
</ul>
</section>
