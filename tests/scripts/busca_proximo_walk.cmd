* three matches, handed out in name order, then nothing
replica "busca_proximo_walk.cmd" "um.txt"
replica "busca_proximo_walk.cmd" "dois.txt"
replica "busca_proximo_walk.cmd" "tres.txt"
replica "busca_proximo_walk.cmd" ".oculto.txt"
dir cria "pasta.txt"
busca $a "*.TXT"
escreve "1 ["$a"]"
busca $a proximo
escreve "2 ["$a"]"
busca $a PRÓXIMO
escreve "3 ["$a"]"
busca $a próximo
escreve "4 ["$a"]"
busca $a proximo
escreve "5 ["$a"]"
