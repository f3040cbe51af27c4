dir cria "vazia"
dir remove "VAZIA"
busca x dir "vazia"
escreve "["x"]"
