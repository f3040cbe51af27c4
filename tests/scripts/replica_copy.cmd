* REPLICA byte for byte, to names with blanks, accents and no extension
replica "replica_copy.cmd" "cópia de segurança"
replica "cópia de segurança" "SEM EXTENSAO"
dir cria "pasta"
replica "CÓPIA DE SEGURANÇA" "pasta\copia.txt"
escreve "copiado"
replica "replica_copy.cmd" "pasta" &
escreve "tolerante"
replica "nada" "outro" &
replica "replica_copy.cmd" "replica_copy.cmd" &
escreve "fim"
replica "nada" "outro"
