seja $arqdpr "c:\fontes\sub\Olá mundo.cmd"
chama @extrainomedir
substitui $arqdpr ".cmd" ".dpr"
seja $nomeprog $arqdpr
substitui $nomeprog ".dpr" ""
substitui $nomeprog " " "_"
chama @retiraacentos
escreve $arqdpr " -> " $nomeprog
seja $comando "cmd /c dcc32 """
concatena $comando $arqdpr
concatena $comando """ >>comp.log 2>&1"
escreve $comando
seja x "'"
seja y x
concatena y "escreve ""oi"""
concatena y "',"
escreve y
seja $arqcmd "c:\scripts\*.cmd"
se $arqcmd *=* "*.cmd"
  seja $varios 1
  substitui $arqcmd "*.cmd" ""
  se $arqcmd <> "" seja $dirfontes $arqcmd
fim se
se $varios = 1 escreve "varios em " $dirfontes
seja $arq "arq8"
enquanto $arq <> "arq11"
  soma $arq 1
  escreve $arq "," &
fim enquanto
escreve
seja $vazio ""
se $vazio = "" termina mudo
escreve "errado"

@extrainomedir
seja p pos "\" $arqdpr
enquanto p > 0
soma p 1
seja t tamanho $arqdpr
copia $arqdpr $arqdpr p t
seja p pos "\" $arqdpr
fim enquanto
retorna

@retiraacentos
seja $comuns "aaaaeeiooouuc"
seja $comunsmaiusculas maiusc $comuns
concatena $comuns $comunsmaiusculas
seja $acentuadas "áãâàéêíóõôúüç"
seja $acentuadasmaiusculas maiusc $acentuadas
concatena $acentuadas $acentuadasmaiusculas
seja x tamanho $comuns
seja z 1
enquanto z <= x
copia s $acentuadas z z
copia w $comuns z z
substitui $nomeprog s w
soma z 1
fim enquanto
retorna
