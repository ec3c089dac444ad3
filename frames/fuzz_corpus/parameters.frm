0<form><!FORMAT=INSERT_ALL_PARAMETERS></form>
<a href="?<!FORMAT=insert_all_parameters_in_query>">
<!FORMAT=INSERT_ALL_PARAMETERS_IN_QUERY>
