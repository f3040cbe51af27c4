seja n 0
chama @desce
escreve "de volta: n=" n " m=" m
retorna
@desce
soma n 1
se n < 20 chama @desce
soma m 1
retorna
