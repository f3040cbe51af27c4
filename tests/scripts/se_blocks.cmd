se 1 = 1
  escreve "a verdadeiro"
senao
  escreve "errado a"
fim se
se 1 = 2
  escreve "errado b"
  se 1 = 1
    escreve "errado b2"
  senão
    escreve "errado b3"
  fim se
  escreve "errado b4"
SENÃO
  escreve "b senao"
  fim    se
se 2 = 2
  se 3 = 4
    escreve "errado c"
  senao
    escreve "c senao interno"
  fim se
  escreve "c depois do interno"
fim se
se 1 = 2
  escreve "errado d"
FIM SE
fim se
fim tudo
se 1 = 1 senão
escreve "errado e"
fim se
escreve "senao minusculo numa linha"
se 1 = 2
  escreve "errado f"
