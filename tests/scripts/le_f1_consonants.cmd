le $a
escreve "[" $a "]"
