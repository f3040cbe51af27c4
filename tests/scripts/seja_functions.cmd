seja t "um   dois tres"
seja a tamanho t
seja b TAMANHO ""
escreve a " " b
seja m maiusc "ação é ÿ x"
escreve m
seja r trim "	  x y  	"
escreve "[" r "]"
seja $cam "c:\scripts\a.cmd"
seja p pos "\" $cam
seja q Pos "z" $cam
escreve p " " q
seja w palavra 2 t
seja v palavra 5 t
seja u palavra 1 " lead"
seja x palavra 3 t
escreve "[" w "][" v "][" u "][" x "]"
seja c chr "#65"
seja d chr "100#65"
seja e chr "#0#59"
seja f chr "65"
seja g chr "#321"
seja h chr "200#65"
seja i chr "#x42"
escreve c d "[" e f "]" g "[" h "]" i
seja g asc "A"
seja h asc ""
seja i asc "AB"
seja j asc " "
escreve g "[" h i "]" j
seja k "data"
seja l = tamanho "x"
escreve k " " l
