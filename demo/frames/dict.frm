<section class="panel-wide">
<h1>~~dict_heading~~</h1>
<p>~~dict_intro~~</p>
<form class="browse-form" action="<--CGI_PATH-->" method="get">
<input type="hidden" name="C21COM" value="T">
<input type="hidden" name="LNG" value="~~code~~">
<input type="hidden" name="I21DBN" value="<--DATABASE-->">
<!FORMAT=@rdrin>
<div>
<label for="t-prf">~~dict_index~~</label>
<select id="t-prf" name="T21PRF">
<!FORMAT=@prfoptions>
</select>
</div>
<div>
<label for="t-trm">~~dict_start~~</label>
<input id="t-trm" type="text" name="T21TRM" value="<? @trmbox ?>">
</div>
<button type="submit">~~dict_go~~</button>
</form>
<table class="terms">
<caption class="visually-hidden">~~dict_heading~~</caption>
<thead><tr><th scope="col">~~dict_term~~</th><th scope="col" class="n">~~dict_count~~</th></tr></thead>
<tbody>
<!RESULT>
</tbody>
</table>
<!FORMAT=@dictnext>
</section>
