abre #1 "não existe.txt"
escreve "nunca"
