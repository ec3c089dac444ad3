<!RESULT>
<?mfn,v245^a?>
