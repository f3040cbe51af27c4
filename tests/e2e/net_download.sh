#!/usr/bin/env bash
# TRAZDAREDE against an HTTP server on 127.0.0.1: the request lines, a whole file, resume
# with 206 and with 200, 400, 404, 416, 500, redirects (a chain and a loop), the plain
# request without Content-Length (also in chunks), and replies that lie or end early: the target is then
# left as it was.
source "$(dirname "$0")/net_common.bash" "$1"
start_server port http "$work/requests.log"
u="http://127.0.0.1:$port"
python3 -B -c '
import sys; sys.path.insert(0, sys.argv[1]); import net_server as s
open("inteiro.want", "wb").write(s.pattern(s.FILE_SIZE))
open("cinco.bin", "wb").write(s.pattern(5000))
' "$here"
cp cinco.bin retomado.bin; cp cinco.bin trocado.bin; cp cinco.bin cortado206.bin
cp inteiro.want completo.bin
: >vazio.bin
printf 'guardado' >guardado.bin
cp guardado.bin guardado.want
lines=()
n=0
get() {  # get URL FILE [COOKIE]: one TRAZDAREDE whose variable is written as "NAME v"
  n=$((n + 1))
  lines+=("trazdarede \"$1\" \"$2\" \"0\" \"${3:-}\" v" "escreve \"$n \" v")
}
get "$u/arquivo" novo.bin "sessao=abc"
get "$u/arquivo" retomado.bin
get "$u/inteiro" trocado.bin
get "$u/arquivo" vazio.bin
get "$u/faltando" guardado.bin
get "$u/ruim" guardado.bin
get "$u/arquivo" completo.bin
get "$u/erro" guardado.bin
get "$u/cadeia/5" cadeia.bin
get "$u/laco" laco.bin
# The screen holds 25 rows: the rest goes in a second run.
write_script a.cmd "${lines[@]}"
run_script a.cmd
expect_screen '1 0' 'Retomando download' '2 0' '3 0' '4 0' \
  'Erro http404: Página não encontrada.' '5 1' \
  'Erro http400:Requisição http não foi bem formulada.' '6 1' \
  '7 1' '8 1' '9 0' '10 1' 'Fim do script'
lines=()
get "$u/semtamanho" texto.txt "c=1"
get "$u/curto" guardado.bin
get "$u/curto" curto.bin
get "$u/curto206" cortado206.bin
get "$u/negativo" negativo.bin
get "$u/cabecalho" cabecalho.bin
get "$u/semnumero" semnumero.bin
get "$u/umbytecurto" umbyte.bin
get "$u/pedacos" pedacos.txt
get "$u/pedacoscurto" pedacoscurto.bin
write_script b.cmd "${lines[@]}"
run_script b.cmd
expect_screen '11 0' '12 1' '13 1' 'Retomando download' '14 1' '15 1' '16 1' '17 1' '18 1' '19 0' '20 1' \
  'Fim do script'
for f in novo retomado trocado vazio completo cadeia; do cmp inteiro.want $f.bin; done
cmp guardado.want guardado.bin
cmp cinco.bin cortado206.bin
printf 'primeira\r\nsegunda\r\nultima sem fim\r\n' | cmp - texto.txt
printf 'primeira\r\nsegunda\r\nultima\r\n' | cmp - pedacos.txt
for f in laco curto negativo cabecalho semnumero umbyte pedacoscurto; do
  test ! -e $f.bin || { echo "$f.bin was left behind"; exit 1; }
done
# No temporary file is left beside any target.
test -z "$(ls | grep -E '\.bin\.|\.txt\.')" || { ls; exit 1; }

# Servers that stop answering, with waits shortened to their floor of 3 s: the target
# stays as it was.
set_key TIMEOUT_REDE 1000
write_script c.cmd "trazdarede \"$u/parado\" \"guardado.bin\" \"0\" \"\" v" 'escreve "parado " v' \
  "trazdarede \"$u/mudo\" \"mudo.bin\" \"0\" \"\" v" 'escreve "mudo " v' 'termina mudo'
start=$(date +%s)
run_script c.cmd
elapsed=$(($(date +%s) - start))
expect_screen 'parado 1' 'mudo 1'
cmp guardado.want guardado.bin
test ! -e mudo.bin
test "$elapsed" -lt 15 || { echo "the stalled servers took $elapsed s"; exit 1; }

# The request lines, exactly and in order.
python3 - "$work/requests.log" "$port" <<'PY'
import sys
blocks = open(sys.argv[1], encoding="latin-1").read().split("\n\n")
host = f"Host: 127.0.0.1:{sys.argv[2]}"
def want(path, extra=()):
    return "\n".join([f"GET {path} HTTP/1.1", "User-Agent: roteiral+ V5.x", "Accept: */*", host,
                      "Connection: close", *extra])
assert blocks[0] == want("/arquivo", ["Cookie: sessao=abc"]), blocks[0]
assert blocks[1] == want("/arquivo", ["Range: bytes=5000-"]), blocks[1]
assert blocks[3] == want("/arquivo", ["Range: bytes=0-"]), blocks[3]
chain = [b.split("\n")[0] for b in blocks if "/cadeia/" in b.split("\n")[0]]
assert chain == [f"GET /cadeia/{i} HTTP/1.1" for i in range(5, -1, -1)], chain
loops = [b for b in blocks if b.startswith("GET /laco ")]
assert len(loops) == 21, len(loops)
plain = [b for b in blocks if b.startswith("GET /semtamanho ")]
assert plain[0] == want("/semtamanho", ["Cookie: c=1"]), plain[0]
assert plain[1] == "\n".join(["GET /semtamanho HTTP/1.1", host, "User-Agent: zunape", "Connection: close",
                              "Accept-Language: pt-br", "UA-CPU: x86", "Cookie: c=1"]), plain[1]
PY
