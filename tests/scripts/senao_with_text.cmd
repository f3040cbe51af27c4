se 1 = 1
  escreve "a"
senao escreve "b"
  escreve "errado"
fim se
