se 1 = 1
  escreve "a"
  se 1 = 1 fim se
fim se
