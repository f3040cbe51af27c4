conecta #1 "nao.existe.invalid" "80" &
checa s
escreve "nome " s
conecta #1 "127.0.0.1" "abc" &
checa s
escreve "letras " s
conecta #1 "127.0.0.1" "70000" &
checa s
escreve "fora " s
conecta #1 "127.0.0.1" "0" &
checa s
escreve "zero " s
conecta #1 "127.0.0.1" &
checa s
escreve "sem porta " s
conecta #1 "127.0.0.1" "1" &
checa s
escreve "recusada " s
conecta ssl #1 "nao.existe.invalid" "443" &
checa s
escreve "ssl " s
observa #1 o
escreve "observa " o
observa teclado k
escreve "teclado " k
internet inicia
internet termina
fecha #1
trazdarede "" "x.bin" "0" "" v
escreve "url vazia " v
trazdarede "http://nao.existe.invalid/a" "x.bin" "0" "" v
escreve "sem nome " v
trazdarede "sem esquema" "x.bin" "1" "" v
escreve "sem esquema " v
trazdarede "http://127.0.0.1:99999/a" "x.bin" "1" "" v
escreve "porta ruim " v
trazdarede "http://127.0.0.1:1/a" "x.bin" "0" "" v
escreve "recusada " v
ip local #1 l
