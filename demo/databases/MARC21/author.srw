[HeaderNumber]
0
[KeyOptions]
60
0
if p(v100) then v100^a else if p(v110) then v110^a else if p(v111) then v111^a else v245^c fi fi fi
80
0
mid(v245^a,val(v245*1.1)+1,80)
