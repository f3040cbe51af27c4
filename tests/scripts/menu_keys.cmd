menu cria 10 3 30 5
menu adiciona "Abrir"
menu adiciona "Salvar"
menu adiciona "Sair"
seja $p "x"
menu executa $p $k $t
tela @1,10
escreve "posicao " $p " tecla " $k " texto " $t
seja $p 3
menu executa $p $k $t
tela @1,11
escreve "posicao " $p " tecla " $k " texto " $t
menu termina
escreve "depois"
