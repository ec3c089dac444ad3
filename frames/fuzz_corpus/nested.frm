0<?'<!FILE=input.frm>'/'<!FORMAT=mfn>'?>
<!FORMAT='<!RESULT>'/'<?v245?>'/>
<!FORMAT=@brief>
<?'<!PHP=x.php>'?>
