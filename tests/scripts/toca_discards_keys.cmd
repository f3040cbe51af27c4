toca "nada.wav"
escreve "depois"
le $x
escreve "[" $x "]"
