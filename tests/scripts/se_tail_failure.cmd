escreve "a"
se 1 = 1 subtrai $vazio 1
escreve "errado"
