lista [sim] cria
se "a" em [sim] escreve "errado"
se "a" em [nao] escreve "errado"
