lista [Cores] cria
lista [cores] CRIA
lista [Cores] adiciona "azul"
lista [Cores] Adiciona "Verde" resto ignorado
lista [Cores] adiciona "azul"
lista [Cores] adiciona 7
lista [Cores] tamanho t
lista [cores] tamanho u
lista [Cores] item 0 a
lista [Cores] item (1+2) b
escreve t " " u " " a " " b
lista [Cores] deleta "AZUL"
lista [Cores] tamanho t
lista [Cores] item 0 a
lista [Cores] item 1 b
lista [Cores] item 2 c
escreve t " " a " " b " " c
se "verde" em [Cores] escreve "verde em Cores"
se 007 em [Cores] escreve "007 em Cores"
se "azul" em [cores] escreve "errado"
se não "preto" em [Cores] escreve "preto fora"
se não "azul" em [Cores] escreve "errado"
lista [cores] apaga
lista [cores] cria
lista []] cria
lista []] adiciona "colchete"
lista [com branco] cria
lista [com branco] adiciona "b"
lista []] item 0 q
lista [com branco] item 0 r
escreve q " " r
