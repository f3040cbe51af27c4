seja n 0
chama @desce
escreve "errado"
@desce
soma n 1
se n = 20 escreve "nivel 20"
se n = 21 escreve "errado: nivel 21"
chama @desce
