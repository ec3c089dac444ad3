[HeaderNumber]
0
[KeyOptions]
80
0
v200^a," "v200^e
4
0
v100^a*9.4
