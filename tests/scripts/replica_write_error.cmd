replica "replica_write_error.cmd" "/dev/full"
escreve "nao chega aqui"
