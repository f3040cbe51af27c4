escreve "antes"
digita "oi"
escreve "errado"
