seja a "x"
escreve "abc" a ; "def"
escreve "errado"
