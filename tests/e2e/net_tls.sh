#!/usr/bin/env bash
# CONECTA SSL, ATIVASSL and an https download against TLS servers on 127.0.0.1 with
# certificates made here: the server's chain and name are checked (trusted through
# SSL_CERT_FILE), VERIFICASSL=N turns that off, a stalled handshake ends at the wait limit.
source "$(dirname "$0")/net_common.bash" "$1"
cert() {  # cert NAME SUBJECT_ALT_NAMES
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$1" -addext "subjectAltName=$2" \
    -keyout "$1.key" -out "$1.pem" 2>/dev/null
}
cert bom "DNS:localhost,IP:127.0.0.1"
cert outro "DNS:outro.exemplo"
cert estranho "DNS:localhost,IP:127.0.0.1"
cat bom.pem outro.pem >confiados.pem
export SSL_CERT_FILE="$work/confiados.pem"
start_server bom tls-line bom.pem bom.key
start_server outro tls-line outro.pem outro.key
start_server estranho tls-line estranho.pem estranho.key
start_server plain line
start_server mudo silent
start_server web https bom.pem bom.key "$work/requests.log"
python3 -B -c '
import sys; sys.path.insert(0, sys.argv[1]); import net_server as s
open("inteiro.want", "wb").write(s.pattern(s.FILE_SIZE))
' "$here"

write_script a.cmd \
  "conecta ssl #1 \"localhost\" \"$bom\"" 'le #1 a' 'escreve "1 " a' 'le #1 a' 'le #1 a' \
  'escreve #1 "pergunta"' 'checa s' 'le #1 a' 'escreve "2 " a " " s' \
  "conecta #2 \"127.0.0.1\" \"$bom\" &" 'checa s' 'le #2 a' 'escreve "3 " a " " s' \
  'fecha #2' \
  "conecta #3 \"127.0.0.1\" \"$plain\"" 'le #3 a' 'escreve "4 " a' \
  "conecta #4 \"localhost\" \"$bom\"" 'ativassl #4' 'le #4 a' 'escreve "5 " a' \
  'escreve #1 "fecha"' 'le #1 a' 'checa s' 'escreve "6 [" a "] " s' \
  "conecta ssl #5 \"localhost\" \"$outro\" &" 'checa s' 'escreve "7 " s' \
  "conecta ssl #5 \"localhost\" \"$estranho\" &" 'checa s' 'escreve "8 " s' \
  "conecta ssl #5 \"127.0.0.1\" \"$plain\" &" 'checa s' 'escreve "9 " s' \
  "trazdarede \"https://localhost:$web/arquivo\" \"seguro.bin\" \"0\" \"\" v" 'escreve "10 " v' \
  "trazdarede \"https://127.0.0.1:$estranho/arquivo\" \"nunca.bin\" \"0\" \"\" v" 'escreve "11 " v' \
  'termina mudo'
run_script a.cmd
expect_screen '1 ola mundo' '2 eco:pergunta 1' '3 ola mundo 0' '4 ola mundo' '5 ola mundo' '6 [] 1' \
  '7 1' '8 1' '9 1' '10 0' '11 1'
cmp inteiro.want seguro.bin
test ! -e nunca.bin

# Without verification the wrong name and the unknown issuer are let through.
set_key VERIFICASSL N
write_script b.cmd \
  "conecta ssl #1 \"localhost\" \"$outro\" &" 'checa s' 'le #1 a' 'escreve "1 " a " " s' \
  "conecta ssl #2 \"localhost\" \"$estranho\" &" 'checa s' 'le #2 a' 'escreve "2 " a " " s' \
  'termina mudo'
run_script b.cmd
expect_screen '1 ola mundo 0' '2 ola mundo 0'

# A server that never answers the handshake: 1500 polls of a 2 ms connection timeout.
set_key TIMEOUT_REDE 2000
write_script c.cmd "conecta ssl #1 \"127.0.0.1\" \"$mudo\" &" 'checa s' 'escreve "mudo " s' 'termina mudo'
start=$(date +%s)
run_script c.cmd
elapsed=$(($(date +%s) - start))
expect_screen 'mudo 1'
test "$elapsed" -lt 10 || { echo "the stalled handshake took $elapsed s"; exit 1; }
