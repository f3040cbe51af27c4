escreve "a"
se não
escreve "errado"
