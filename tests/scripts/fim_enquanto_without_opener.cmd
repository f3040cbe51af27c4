escreve "a"
fim enquanto
