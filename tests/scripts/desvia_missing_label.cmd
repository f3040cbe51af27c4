escreve "a"
desvia @nenhum
@nenhum2
