4<div>
<!RESULT>
</div>
