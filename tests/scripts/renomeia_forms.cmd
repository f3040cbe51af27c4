* RENOMEIA: plain, tolerant, onto an existing name, and with a name too many
replica "renomeia_forms.cmd" "a.txt"
replica "renomeia_forms.cmd" "c.txt"
renomeia "a.txt" "nome com brancos e acentuação"
busca x "nome com*"
escreve "1 "x
renomeia "a.txt" "b.txt" &
escreve "2 tolerante"
renomeia "nome com brancos e acentuação" "c.txt" &
busca x "nome*"
escreve "3 "x
renomeia "c.txt" "d.txt" "e.txt"
escreve "nao chega aqui"
