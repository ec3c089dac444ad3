$<!RESULT>
<p>
<!RESULT>x
</p>
