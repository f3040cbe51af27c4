seja p params
escreve "[" p "]"
seja q = PaRaMs
seja n palavra 1 q
escreve n
seja r "params"
escreve r
