8<!RESULT>
<!result>
