seja t tamanho "ab" "c"
