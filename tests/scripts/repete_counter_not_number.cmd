repete i 3
  escreve i
  seja i "x"
fim repete
