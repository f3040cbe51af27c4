desvia @INICIA
 @meio
escreve "errado: rotulo indentado"
@inicia
seja $alvo "Meio"
desvia $alvo
escreve "errado 1"
@meio
escreve "meio"
desvia @fim
@fim 
escreve "errado: rotulo com branco no fim"
@fim
escreve "fim sem branco"
desvia "dup"
@dup
escreve "primeiro dup"
desvia @volta
@dup
escreve "errado: segundo dup"
@volta
soma n 1
se n < 3 desvia @volta
escreve "n=" n
