#!/usr/bin/env bash
# dcc32 by itself: the messages of a refused source with their line numbers, an existing
# program kept on a failed compile and replaced by a good one, no file left behind.
set -euo pipefail
build=$(cd "$1" && pwd)
dcc32="$build/libexec/dcc32"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
good() {
  printf '%s\r\n' 'program prog;' 'uses rlplus;' '' 'const' "tamprog = $1;" '' 'var' 'i : integer;' \
    'script : array[1..tamprog] of string = (' "'escreve \"a\"'," "'escreve \"b\"');" '' 'begin' \
    "inicializa ('prog');" 'for i := 1 to tamprog do' 'carregascript(script[i],i);' 'processa;' 'end.'
}
good 3 >prog.dpr
printf 'antigo' >prog.exe
set +e
out=$("$dcc32" prog.dpr)
rc=$?
set -e
[ "$rc" = 1 ] || { echo "refused source exited $rc"; exit 1; }
expected=$(printf '%s\r\n' 'Roteiral dcc32 compiler version 1.0' \
  'prog.dpr(11) Error: Number of elements (2) differs from declaration (tamprog = 3)' \
  'Compilation failed: 1 error(s); no program written.')
[ "$out" = "$expected" ] || { printf '%s\n' "$out" | od -c | head; exit 1; }
[ "$(cat prog.exe)" = antigo ]

good 2 | sed 's/^end\.\r$//' >semfim.dpr
if "$dcc32" semfim.dpr >log; then echo "a source without end. compiled"; exit 1; fi
grep -q "^semfim.dpr(18) Error: 'end' expected but end of file found" log
if "$dcc32" nada.dpr >log; then exit 1; fi
grep -q "^Fatal: File not found: 'nada.dpr'" log

good 2 >prog.dpr
"$dcc32" prog >log   # the extension may be left out
grep -q '^18 lines, 2 script lines, compiled\.' log
[ "$(ls -A)" = "$(printf 'log\nprog.dpr\nprog.exe\nsemfim.dpr')" ] || { ls -A; exit 1; }
ROTEIRAL_CONSOLE=headless ROTEIRAL_SCREEN="$work/screen" timeout 20 ./prog.exe </dev/null >/dev/null
printf 'a\nb\nFim do script\n' | diff -u - screen
