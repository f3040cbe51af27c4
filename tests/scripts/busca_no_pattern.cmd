busca x
escreve "nao chega aqui"
