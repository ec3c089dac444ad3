0<!FILE=input.frm>
<!FILE=missing.frm>
<!FILE=../BOOKS.par>
<!FILE=/etc/hostname>
<!FILE=header.frm>
<b><--TOTALRECS--> ~~title~~</b>
<?v245^a?>
<!FORMAT=@brief>
