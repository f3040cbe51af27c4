#!/usr/bin/env bash
# Quotes, accents, tabs, every byte but CR and LF, 255- and 10000-byte lines go from .cmd to
# .dpr to the program unchanged; a program cut in half or with a byte changed says it is
# damaged and exits non-zero instead of running anything of it.
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
python3 - <<'PY'
lines = [b"escreve \"it's a 'quote'\"", "escreve \"ação, café, pão\"".encode("cp1252"),
         b"escreve \"a\tb\"", b"escreve \"" + b"x" * 245 + b"\"",
         b"*" + bytes(c for c in range(1, 256) if c not in (10, 13)), b"seja $x \"'',\"", b"escreve $x",
         b"escreve \"fim');\"", b"*" + b"'," * 4999 + b"x"]
assert len(lines[3]) == 255
open("voltas.cmd", "wb").write(b"\r\n".join(lines) + b"\r\n")
PY
printf 'voltas.cmd\n\n' | ROTEIRAL_CONSOLE=headless timeout 60 "$build/bin/tradex" >/dev/null
# The literal lines of the source are the script's lines with a quote before and ', or ');.
sed -n '10,18p' voltas.dpr | sed -E "s/^'//; s/(',|'\\);)\r$//" | cmp - <(sed 's/\r$//' voltas.cmd)
python3 "$here/exe_payload.py" voltas.exe voltas voltas.cmd
ROTEIRAL_CONSOLE=headless ROTEIRAL_SCREEN="$work/screen" timeout 20 ./voltas.exe </dev/null >/dev/null
x=$(printf 'x%.0s' $(seq 80))
printf "%s\n" "it's a 'quote'" 'ação, café, pão' ab "$x" "$x" "$x" xxxxx "'',"  "fim');" 'Fim do script' |
  diff -u - screen

damaged() {  # program: refused on stderr and on the console, exit status not 0
  set +e
  rm -f dscreen dspeech
  err=$(ROTEIRAL_CONSOLE=headless ROTEIRAL_SCREEN="$work/dscreen" ROTEIRAL_SPEECH_LOG="$work/dspeech" \
    timeout 20 "./$1" 2>&1 </dev/null >/dev/null)
  rc=$?
  set -e
  [ "$rc" != 0 ] || { echo "$1 exited 0"; exit 1; }
  [ "$err" = "$1: executável danificado" ] || { echo "$1 stderr: $err"; exit 1; }
  [ "$(cat dscreen)" = "$1: executável danificado" ] || { cat dscreen; exit 1; }
  grep -qxF "text $1: executável danificado" dspeech
}
size=$(stat -c %s voltas.exe)
# Cut inside the runtime: the compiler's rlstub speaks; only the end lost, or a byte
# changed there: the program's own runtime does.
head -c $((size / 2)) voltas.exe >metade.exe && chmod +x metade.exe && damaged metade.exe
head -c $((size - 1)) voltas.exe >menos1.exe && chmod +x menos1.exe && damaged menos1.exe
cp voltas.exe trocado.exe && printf 'Y' | dd of=trocado.exe bs=1 seek=$((size - 300)) conv=notrunc 2>/dev/null
damaged trocado.exe
"$build/libexec/rlstub" 2>/dev/null </dev/null >/dev/null && { echo "the bare stub ran"; exit 1; }
exit 0
