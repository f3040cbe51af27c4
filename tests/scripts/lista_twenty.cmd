lista [l1] cria
lista [l2] cria
lista [l3] cria
lista [l4] cria
lista [l5] cria
lista [l6] cria
lista [l7] cria
lista [l8] cria
lista [l9] cria
lista [l10] cria
lista [l11] cria
lista [l12] cria
lista [l13] cria
lista [l14] cria
lista [l15] cria
lista [l16] cria
lista [l17] cria
lista [l18] cria
lista [l19] cria
lista [l20] cria
lista [l7] apaga
lista [novo] cria
lista [novo] tamanho t
escreve "novo " t
lista [l21] cria
