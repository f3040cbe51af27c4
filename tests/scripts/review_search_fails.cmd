escreve "alvo acima"
escreve "alvo: " &
le $a
