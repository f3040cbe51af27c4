escreve "a"
fim
