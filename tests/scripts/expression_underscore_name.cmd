seja $x_y 1
seja a $x_y
escreve a
seja b ($x_y+1)
