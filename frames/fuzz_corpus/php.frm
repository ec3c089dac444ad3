0<!PHP=index.php?x=1>
<!PHP=ENCODING=windows-1251,IP=127.0.0.1:9,page.php>
<!PHP=IP=example.org,http://example.org/a.php>
<!PHP=>
