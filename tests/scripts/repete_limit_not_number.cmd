repete i 2
  escreve i
fim repete
repete j "três"
