lista [a] cria
lista [A] cria
escreve "duas listas"
lista [a] cria
