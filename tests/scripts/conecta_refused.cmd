conecta #1 "nao.existe.invalid" "80"
escreve "nunca"
