[HeaderNumber]
0
[KeyOptions]
60
0
if p(v700) then v700^a," "v700^b else if p(v710) then v710^a else if p(v701) then v701^a[1]," "v701^b[1] else if p(v711) then v711^a else v200^a fi fi fi fi
80
0
v200^a
