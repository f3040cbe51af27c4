lista [x] cria
lista [x] adiciona "a"
lista [x] adiciona "b"
lista [x] item 1 v
escreve v
lista [x] item 2 v
