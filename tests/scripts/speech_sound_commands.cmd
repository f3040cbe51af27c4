fala "um " "dois"
fala &
soletra "ab"
escreve
falahora "01:00"
mci $r "status myfile mode"
escreve $r
mci $r "open ""nada.wav"" alias x"
escreve $r
toca "nada.wav" &
midi inicia
midi nl 1 60 100
midi nd 1 60
midi tt1 5
midi pane
midi termina
escreve "ok"
midi nl 1 60 100
