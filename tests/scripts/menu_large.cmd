* Ten thousand items in a rectangle that reaches past the console's corner.
menu cria 70 20 200 300
seja n 0
enquanto n < 10000
  soma n 1
  seja $i "item "
  concatena $i n
  menu adiciona $i
fim enquanto
seja $p 9998
menu executa $p $k $t
tela @1,1
escreve "posicao " $p " tecla " $k " texto " $t
