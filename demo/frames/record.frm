<!FORMAT=@backlink>
<article class="record card">
<!RESULT>
</article>
<!FORMAT=@orderform>
