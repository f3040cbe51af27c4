espera milisegundos 250
escreve "depois"
espera MILISEGUNDOS 0
espera 0
espera milisegundos -5
espera 0 "nenhuma janela"
escreve "fim"
espera
escreve "nunca"
