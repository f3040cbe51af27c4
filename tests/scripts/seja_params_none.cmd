seja p params
escreve "[" p "]"
