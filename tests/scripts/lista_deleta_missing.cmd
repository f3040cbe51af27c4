lista [x] cria
lista [x] adiciona "a"
lista [x] deleta "A"
escreve "apagado"
lista [x] deleta "a"
