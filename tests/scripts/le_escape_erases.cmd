escreve "Nome:" &
le $n
escreve "[" $n "]"
