renomeia "nada.txt" "b.txt"
escreve "nao chega aqui"
