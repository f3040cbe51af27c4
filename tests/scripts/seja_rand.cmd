seja r rand 1
escreve "rand 1: " r
seja i 0
@de_novo
soma i 1
seja s rand 10
seja n tamanho s
subtrai s 0
se n <> 1 escreve "errado: " s
se s < 0 escreve "errado: " s
se i = 50 randomiza
se i < 100 desvia @de_novo
randomiza
seja r RAND 1
escreve "depois de randomiza: " r
