busca x proximo
escreve "antes ["x"]"
busca x "*" sobra
escreve "nao chega aqui"
