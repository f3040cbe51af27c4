seja $alvo "x"
seja b "abc
seja n tamanho b
escreve "n=" n
se 1 = 2
  escreve "errado"
senao
  escreve "senao"
fim se
@x
soma k 1
se k < 3 desvia $alvo
escreve "k=" k
repete i 2
escreve i
fim repete
termina mudo
