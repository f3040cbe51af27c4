seja $n "Ana"
escreve "Olá, "$n"!"
escreve &
escreve "um "&
escreve "dois"
escreve mudo "calado"
escreve MUDO "meio "&
escreve "falado"
escreve
escreve 1 "+" 2 "=" (1+2)
escreve mudo
escreve "a & b"
escreve "fim"
