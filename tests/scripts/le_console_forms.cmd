escreve "Nome:" &
le $nome
escreve "Olá, "$nome
le k &
escreve "tecla "k
le k &
escreve "especial "k
le mudo k &
escreve "mudo "k
le tecla k
escreve "tecla com estado "k
escreve "Senha:" &
le senha s
escreve "tamanho da senha: " &
seja t tamanho s
escreve t
le
escreve "fim"