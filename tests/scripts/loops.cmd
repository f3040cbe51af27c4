repete i 3
  escreve "i=" i ";"&
fim repete
escreve
escreve "depois i=" i
repete j 0
  escreve "errado"
fim repete
escreve "j=" j
seja n 0
enquanto n < 3
  soma n 1
  repete k n
    escreve k &
  fim repete
  escreve
fim enquanto
enquanto n > 5 resto ignorado
  escreve "errado"
fim enquanto
escreve "n=" n
enquanto não n = 0
  subtrai n 1
FIM   ENQUANTO
escreve "n=" n
repete $c 5
  escreve $c &
  soma $c 1
fim repete
escreve
escreve "c=" $c
seja $lim 2
repete I $lim
  escreve "I=" i
Fim Repete
repete k 1000
  soma $soma k
fim repete
escreve "soma=" $soma " k=" k
