seja x "abc"
codbase64 x
seja y "ab"
codbase64 y
seja z "a"
codbase64 z
seja $v ""
codbase64 $v
escreve x " " y " " z " [" $v "]"
seja $n chr "#13"
seja $d "YW"
concatena $d $n
concatena $d "Jj"
decodbase64 $d
escreve $d
seja $d "YWJj"
decodbase64 $d
escreve $d
seja $d "YQ==YWJj"
decodbase64 $d
escreve $d
seja $q "café = 1"
adquoted $q
escreve $q
removequoted $q
escreve $q
seja $q "fim="
removequoted $q
escreve $q
seja $q "=4"
removequoted $q
escreve $q
seja $q "=e9"
removequoted $q
escreve $q
seja $h "a b/~"
http $h
escreve $h
seja $u "ação"
ansiparautf8 $u
seja $t tamanho $u
escreve $t
utf8paraansi $u
escreve $u
seja $u "ação"
utf8paraansi $u
escreve "[" $u "]"
codbase64 "x"
