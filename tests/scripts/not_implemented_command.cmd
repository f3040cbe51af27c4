escreve "antes"
bipa
escreve "errado"
