escreve "antes"
executa "programa_que_nao_existe_em_lugar_algum --opcao"
escreve "nunca"
