escreve "a"
seja $x ""
se $x = "" termina MuDo
escreve "errado"
