debug
seja x   1
sOMa x 1
se x = 2 escreve "dois"
debug n
escreve x
debug N
escreve "sem traco"
debug
debug -
escreve "fim"
