dir cria
escreve "nao chega aqui"
