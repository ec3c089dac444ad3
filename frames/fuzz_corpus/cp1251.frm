1<!FILE=input.frm>
Каталог ~~title~~
<!FILE=input.frm>
