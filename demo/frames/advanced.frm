<section class="card">
<h1>~~adv_heading~~</h1>
<p>~~adv_intro~~</p>
<form class="form-grid" action="<--CGI_PATH-->" method="get">
<input type="hidden" name="C21COM" value="S">
<input type="hidden" name="LNG" value="~~code~~">
<!FORMAT=@rdrin>
<div>
<label for="adb">~~db_label~~</label>
<select id="adb" name="I21DBN">
<!FORMAT=@dboptions>
</select>
</div>
<div>
<label for="a-author">~~adv_author~~</label>
<input id="a-author" type="text" name="1S21STR" aria-describedby="a-author-hint">
<span class="hint" id="a-author-hint">~~adv_author_hint~~</span>
<input type="hidden" name="1S21P01" value="0">
<input type="hidden" name="1S21P02" value="1">
<input type="hidden" name="1S21P03" value="A=">
</div>
<div>
<label for="a-title">~~adv_title~~</label>
<input id="a-title" type="text" name="2S21STR">
<input type="hidden" name="2S21P01" value="1">
<input type="hidden" name="2S21P03" value="K=">
<input type="hidden" name="2S21P04" value="200">
<input type="hidden" name="2S21LOG" value="1">
</div>
<div>
<label for="a-subject">~~adv_subject~~</label>
<input id="a-subject" type="text" name="3S21STR">
<input type="hidden" name="3S21P01" value="1">
<input type="hidden" name="3S21P03" value="K=">
<input type="hidden" name="3S21P04" value="606">
<input type="hidden" name="3S21LOG" value="1">
</div>
<fieldset>
<legend>~~adv_years~~</legend>
<div class="years">
<label>~~adv_from~~ <input type="text" inputmode="numeric" name="4S21P06" size="4" maxlength="4" autocomplete="off"></label>
<label>~~adv_to~~ <input type="text" inputmode="numeric" name="4S21P07" size="4" maxlength="4" autocomplete="off"></label>
</div>
<input type="hidden" name="4S21LOG" value="5">
<input type="hidden" name="4S21P03" value="G=">
</fieldset>
<fieldset class="choice">
<legend>~~adv_combine~~</legend>
<label><input type="radio" name="S21LOG" value="1" checked> ~~adv_all~~</label>
<label><input type="radio" name="S21LOG" value="0"> ~~adv_any~~</label>
</fieldset>
<fieldset class="choice">
<legend>~~adv_trunc_legend~~</legend>
<label><input type="checkbox" name="2S21P02" value="1"> ~~adv_trunc_title~~</label>
<label><input type="checkbox" name="3S21P02" value="1"> ~~adv_trunc_subject~~</label>
</fieldset>
<div><button type="submit">~~adv_submit~~</button></div>
</form>
</section>
