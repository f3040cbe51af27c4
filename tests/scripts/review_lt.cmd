escreve "Bom dia"
escreve "fim: FGTS"
le $a
