<!FORMAT=@page>
