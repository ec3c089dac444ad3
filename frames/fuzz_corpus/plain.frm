0Just text, no directives.

  indented line  
last