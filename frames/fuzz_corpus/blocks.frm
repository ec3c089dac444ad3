0<p><?v245^a?></p>
<td>before <?if p(v700) then
	(v700^a/)
fi?> after</td>
<? 'one' ?><? 'two' ?>
