* REMOVE with and without the tolerant suffix
replica "remove_tolerant.cmd" "lixo.txt"
remove "lixo.txt"
remove "lixo.txt" &
remove "lixo.txt"&
busca x "lixo.txt"
escreve "["x"]"
remove "lixo.txt"
escreve "nao chega aqui"
