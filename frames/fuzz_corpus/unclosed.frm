0text <?v245
^a more
