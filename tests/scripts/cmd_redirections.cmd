* cmd /c: > then >> with 2>&1, and a program that does not exist logged the same way
executa "cmd /c echo antes >comp.log"
executa "cmd /c echo um >comp.log"
seja $comando "cmd /c sh -c ""echo saida; echo erro >&2"" >>comp.log 2>&1"
executa $comando
executa $comando
executa "cmd /c nada_tal >>comp.log 2>&1"
executa "cmd /C ""cat <comp.log >copia.log"""
executa "cmd /c cat <comp.log >""cópia final.log"""
escreve "pronto"
