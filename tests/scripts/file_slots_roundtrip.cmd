remove "notas.txt" &
abre #2 "notas.txt" &
escreve #2 "primeira"
escreve #2 "segunda "$x"fim" &
escreve #2 " e mais"
escreve #2
escreve #2 "acentuação"
fecha #2
* conta as linhas como o conversor faz
seja $linhas 0
abre #1 "NOTAS.TXT"
le #1 k
checa c
enquanto c = 0
soma $linhas 1
escreve "["k"]"
le #1 k
checa c
fim enquanto
escreve "linhas: "$linhas" checa: "c" resto: ["k"]"
le #1 k
checa c
escreve "de novo: "c
fecha #1
fecha #1
fecha #7