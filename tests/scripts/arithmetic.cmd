seja a "x-5"
soma a 1
seja b 12
soma b 1
seja c "abc"
soma c 1
soma d 1
seja e "arq9"
soma e 1
seja f "v-"
soma f -3
seja g "a1b22"
soma g (0-30)
escreve a " " b " " c " " d " " e " " f " " g
seja g 0
subtrai g 1
seja h -7
divide h 2
seja i 6
multiplica i -7
seja j 2147483647
soma j 1
seja k "$1F"
subtrai k 1
seja l 100
subtrai l (2*5)
seja m 7
divide m -2
escreve g " " h " " i " " j " " k " " l " " m
seja n 5
soma n 2 resto ignorado
seja o 2147483647
multiplica o 2
seja q " 12"
soma q 1
seja r "7"
multiplica r " 3"
seja s -2147483648
subtrai s 1
escreve n " " o " [" q "] " r " " s
