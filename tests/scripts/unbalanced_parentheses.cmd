escreve (1+(2*3))
escreve "x=" (2*(3+1)
escreve "errado"
