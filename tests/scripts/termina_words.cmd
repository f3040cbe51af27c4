escreve "a"
se 1 = 1 termina mudo agora
escreve "errado"
