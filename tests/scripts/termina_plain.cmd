chama @sub
escreve "errado"
@sub
escreve "a"
termina
escreve "errado"
