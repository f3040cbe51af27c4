replica "/proc/self/mem" "copia"
escreve "nao chega aqui"
