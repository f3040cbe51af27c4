escreve "Olá, "$nome"!"
seja $nome "Ana"
escreve "Olá, "$nome"!"
soma $n 41
soma $n 1
escreve "Resposta: "$n
