seja a 41
escreve (a+1)
seja a "x"
seja b (a+1)
