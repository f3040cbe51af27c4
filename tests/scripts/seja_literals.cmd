seja a "abc"
seja $Nome = "a""b"
seja b ""
seja c -12
seja d -
seja e "cmd /c dcc32 """
escreve "[" a "][" $NOME "][" b "][" c "][" d "][" e "]"
seja X "v"
escreve x1
seja $x_1 007
seja $X_1 = $x_1
escreve "[" $x_1 "]"
seja f "abc
escreve "[" f "]"
seja g "sem fim no fim""
escreve "[" g "]"
seja h = "=x"
escreve h
