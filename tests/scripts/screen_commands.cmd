escreve "apagado"
tela limpa
tela @10,3
escreve "dez" &
tela @1,5
cor 14
fundo 1
escreve "amarelo"
título "Meu título"
seja l "LIMPA"
tela @100,7
escreve "X" &
tela minimizada
tela normal
tela @5