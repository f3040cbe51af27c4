#!/usr/bin/env bash
# CONECTA, LE #n, ESCREVE #n, OBSERVA, IP and FECHA against a line server on 127.0.0.1:
# CR LF and LF lines, a CR kept inside a line, 10 MB without a line end, a peer that closes.
source "$(dirname "$0")/net_common.bash" "$1"
start_server port line
write_script a.cmd \
  'internet inicia' \
  "conecta #1 \"127.0.0.1\" \"$port\"" \
  'abre #2 "saida.txt" &' \
  'le #1 a' 'checa s' 'escreve #2 "[" a "] " s' \
  'le #1 a' 'escreve #2 "[" a "]"' \
  'le #1 a' 'escreve #2 "[" a "]"' \
  'observa #1 o' 'escreve #2 "esperando " o' \
  'escreve #1 "pergunta"' 'checa s' 'escreve #2 "enviado " s' \
  'le #1 a' 'escreve #2 a' \
  'escreve #1 "sem fim" &' 'escreve #1 " da linha"' 'le #1 a' 'escreve #2 a' \
  'ip local #1 l' 'ip remoto #1 r' 'escreve #2 l " " r' \
  'observa #5 o' 'escreve #2 "nunca aberto " o' \
  'escreve #1 "fecha"' 'le #1 a' 'checa s' 'escreve #2 "fechou [" a "] " s' \
  'fecha #1' 'checa t' 'escreve #2 "fecha " t' \
  "conecta #4 \"127.0.0.1\" \"$port\"" 'le #4 a' 'le #4 a' 'le #4 a' \
  'escreve #4 "grande"' 'le #4 g' 'checa s' 'escreve #2 "longa " s' \
  'abre #3 "longa.txt" &' 'escreve #3 g &' 'fecha #3' 'le #4 g' 'checa s' 'escreve #2 "longa " s' \
  'fecha #4' 'fecha #2' 'internet termina' 'escreve "ok"'
run_script a.cmd
expect_screen ok 'Fim do script'
# A line longer than 1 MiB comes in pieces of 1 MiB, each an incomplete line (status 1).
printf '[ola mundo] 0\r\n[so lf]\r\n[meio\rdo]\r\nesperando 0\r\nenviado 1\r\neco:pergunta\r\neco:sem fim da linha\r\n127.0.0.1 127.0.0.1\r\nnunca aberto 0\r\nfechou [] 1\r\nfecha 0\r\nlonga 1\r\nlonga 1\r\n' >want
diff <(od -c want) <(od -c saida.txt) || { echo "saida.txt differs"; exit 1; }
test "$(stat -c %s longa.txt)" = 1048576
head -c 1048576 /dev/zero | tr '\0' x | cmp - longa.txt
