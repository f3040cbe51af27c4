seja $n "Maria"
le edita $n
escreve ""
escreve "[" $n "]"
seja $m "Maria"
le edita $m
escreve ""
escreve "[" $m "]"
