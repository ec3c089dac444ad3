[HeaderNumber]
0
[KeyOptions]
60
0
if p(v700) then v700^a," "v700^b else if p(v710) then v710^a else v200^f fi fi
80
0
v200^a
