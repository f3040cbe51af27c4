* BUSCA var DIR is the current directory, which DIR TROCA changes
dir cria "sub pasta"
busca $a dir
dir troca "SUB PASTA"
busca $b DIR
concatena $a "/sub pasta"
se $a = $b escreve "mudou para a subpasta"
dir troca ".."
busca $c dir
concatena $c "/sub pasta"
se $c = $b escreve "e voltou"
