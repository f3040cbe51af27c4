* comentário
   * comentário indentado
   @rotulo indentado

	 escreve "tab e branco antes"
   EScreve    "blanks"
ESCREVE "maiusculas"
	
escreve "fim"
