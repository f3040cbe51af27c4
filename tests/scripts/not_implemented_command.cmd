escreve "antes"
fala "oi"
escreve "errado"
