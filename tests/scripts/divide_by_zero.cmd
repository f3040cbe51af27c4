seja a 10
seja z 0
divide a 3
escreve a
divide a z
escreve "errado"
