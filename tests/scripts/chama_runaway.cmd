escreve "antes"
@R
se 1 = 1 chama "r"
