se 1 = 1
  escreve "verdadeiro"
senao
  se 1 = 1
    escreve "errado 1"
  fim se
  escreve "resto do senao roda"
fim se
se 1 = 2
  se 1 = 1 escreve "errado 2"
  escreve "errado 3"
fim se
escreve "se de uma linha nao abre bloco"
seja n 5
enquanto n < 3
  enquanto n < 9
    escreve "errado 4"
  fim enquanto
  escreve "resto do enquanto roda"
  desvia @fora
fim enquanto
@fora
repete i 0
  repete j 2
    escreve "errado 5"
  fim repete
  escreve "resto do repete roda, i=" i
  desvia @fim
fim repete
@fim
se 1 = 1
  escreve "ultimo"
senao
  escreve "errado 6"
