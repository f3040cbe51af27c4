se 1 = 1 chama @sub
escreve "depois do se"
chama @SUB
escreve "depois do chama"
seja $nome "sub2"
chama $nome
escreve "depois de sub2"
desvia @fim
@sub
escreve "em sub"
retorna
@sub2
escreve "em sub2"
chama @sub
escreve "sub2 de volta"
retorna
@fim
