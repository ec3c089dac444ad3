0<html><head><title>~~title~~ <--DATABASE--></title></head>
<body>Today <--TIME--> max=<--MAXIMUMMFN--> pid=<--RUNTIMEPID-->
<a href="<--CGI_PATH-->?a=1">x</a><a href="<--CGI_PATH-->">y</a><img src="<--HTTP_PATH-->/i.gif">
~~blank~~ ~~unknown~~ ~~~ <--DATABASE--><--DATABASE-->
