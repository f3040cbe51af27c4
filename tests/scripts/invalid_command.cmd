escreve "um"
* comentário
pulá 1
escreve "errado"
