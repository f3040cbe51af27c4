seja d data
seja n tamanho d
seja p pos "/" d
copia $ano d 7 10
copia $barra d 6 6
se $ano > 1999 escreve "data " n " " p " " $barra " ano ok"
seja h hora
seja n tamanho h
seja p pos ":" h
copia $s h 7 8
se $s < 60 escreve "hora " n " " p " seg ok"
lista [dias] cria
lista [dias] adiciona "Domingo"
lista [dias] adiciona "Segunda"
lista [dias] adiciona "Terça"
lista [dias] adiciona "Quarta"
lista [dias] adiciona "Quinta"
lista [dias] adiciona "Sexta"
lista [dias] adiciona "Sábado"
seja w dia
se w em [dias] escreve "dia conhecido"
seja t tempo
seja u t
subtrai u 0
se t >= 0 escreve "tempo e numero"
seja v Tempo
se v >= t escreve "tempo nao volta"
seja $q "tempo"
escreve $q
