2<!RESULT>
<?v245^a/v1001/v1002?>
<h1>top</h1>
<!RESULT>
<h2>tail <--TOTALRECS--></h2>
