<!FORMAT=@summary>
<!FORMAT=@sortnav>
<!FORMAT=@pager>
<? if val(v2100)>0 then '<h2 class="visually-hidden">~~results~~</h2>'/'<ol class="results" start="<--BEGINRECS-->">' fi ?>
<!RESULT>
<? if val(v2100)>0 then '</ol>' fi ?>
<!FORMAT=@pager>
