0<!FORMAT=@brief>
<!FORMAT=@deposit>
<!FORMAT=@missing>
<!FORMAT='mfn: 'mfn(5),' 'v1001/>
<!FORMAT=v245^a,|; |v700^a>
<!FORMAT=>
<!FORMAT=if>
