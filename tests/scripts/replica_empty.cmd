*=
* the first line decodes to nothing: an empty file to copy
decodarqbase64 "replica_empty.cmd" "vazio"
replica "vazio" "copia"
escreve "ok"
