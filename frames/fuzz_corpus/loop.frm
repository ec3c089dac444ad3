0<!FILE=loop.frm>
