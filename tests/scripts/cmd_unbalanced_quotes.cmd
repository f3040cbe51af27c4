* a command line with a quote left open is refused: the log it names stays as it was
executa "cmd /c echo antes >comp.log"
executa "cmd /c echo ""abc >comp.log"
executa "cmd /c echo a | tee comp.log"
escreve "pronto"
