* a real program started by EXECUTA, its parameters grouped by quotes
executa "sh -c ""echo feito > feito.txt"""
executa "touch ""com espaco.txt"""
executa "cp feito.txt ""com espaco.txt"""
escreve "pronto"
