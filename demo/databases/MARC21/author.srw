[HeaderNumber]
0
[KeyOptions]
60
0
if p(v100) then v100^a else if p(v110) then v110^a else if p(v111) then v111^a else if p(v700) then v700^a[1] else if p(v710) then v710^a[1] else mid(v245^a,val(v245*1.1)+1,80) fi fi fi fi fi
80
0
mid(v245^a,val(v245*1.1)+1,80)
