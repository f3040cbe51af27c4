seja s "abcde"
copia a s 2 3
copia b s 0 2
copia c s 4 2
copia d s 4 99
copia e s 6 7
copia f s -1 1
copia s s 2 4
escreve a "|" b "|" c "|" d "|" e "|" f "|" s
seja t "abc"
deleta t 5 2
seja u "abcdef"
deleta u 2 3
seja v "abc"
deleta v 2 99
seja w "abc"
deleta w 0 1
seja x "abc"
deleta x 2 0
seja y "abc"
deleta y 3 1
escreve t "|" u "|" v "|" w "|" x "|" y
seja $p "c:\scripts\*.cmd"
substitui $p "*.cmd" ""
seja $q "ab"
substitui $q "" "-"
seja $r "aab"
substitui $r "ab" "b"
seja $z "Aaa"
substitui $z "a" "xy"
seja $k "a*c abc"
substitui $k "*" "b"
escreve $p "|" $q "|" $r "|" $z "|" $k
seja $c "arq"
concatena $c 9
concatena $c ".cmd"
concatena $c ""
concatena $c (1+1)
escreve $c
