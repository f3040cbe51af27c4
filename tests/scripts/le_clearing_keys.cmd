le $a
le $b
le $c
escreve "[" $a "][" $b "][" $c "]"
seja $d "orig"
le edita $d
escreve ""
escreve "[" $d "]"
