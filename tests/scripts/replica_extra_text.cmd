replica "replica_extra_text.cmd" "a" "b"
escreve "nao chega aqui"
