0<div>Found <--TOTALRECS--> (<--BEGINRECS-->-<--ENDRECS-->) <--TOTALRECS-->
  <!RESULT>  
</div>
