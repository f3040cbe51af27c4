conecta #1 "127.0.0.1" "8O"
escreve "nunca"
