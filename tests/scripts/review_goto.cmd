escreve "linha um"
le $a
