escreve "abc
escreve "a""
escreve "x" "y
seja a "
escreve "[" a "]"
escreve """"
escreve "fim &
escreve "!"
