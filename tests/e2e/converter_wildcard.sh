#!/usr/bin/env bash
# A directory prefix and *.cmd: files.lst lists the further matches, every script is
# converted and compiled, the programs run; then a set holding a script the compiler
# refuses (an empty one) counts it as not compiled, with the message added to comp.log.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir fontes ruins
for n in um dois tres; do printf 'escreve "sou %s"\r\n' "$n" >"fontes/$n.cmd"; done
printf 'nada\r\n' >fontes/notas.txt
printf 'registro anterior\r\n' >comp.log
printf 'fontes\\*.cmd\n\n' | ROTEIRAL_CONSOLE=headless ROTEIRAL_SPEECH_LOG="$work/speech" \
  timeout 90 "$build/bin/tradex" >out
grep -qx 'Arquivos compilados: 3.' out && grep -qx 'Arquivos não compilados: 0.' out || { cat out; exit 1; }
printf 'fontes\\tres.cmd\r\nfontes\\um.cmd\r\n' | cmp - files.lst
[ "$(grep -c 'script lines, compiled' comp.log)" = 3 ] && [ "$(head -1 comp.log)" = $'registro anterior\r' ]
[ "$(grep -cx click speech)" = 3 ]
for n in um dois tres; do
  ROTEIRAL_CONSOLE=headless ROTEIRAL_SCREEN="$work/screen" timeout 20 "./$n.exe" </dev/null >/dev/null
  printf 'sou %s\nFim do script\n' "$n" | diff -u - screen
done
[ ! -e notas.dpr ]

printf 'escreve "bom"\r\n' >ruins/bom.cmd
: >ruins/vazio.cmd
printf 'ruins\\*.cmd\n\n' | ROTEIRAL_CONSOLE=headless ROTEIRAL_SPEECH_LOG="$work/speech2" \
  timeout 90 "$build/bin/tradex" >out
grep -qx 'Arquivos compilados: 1.' out && grep -qx 'Arquivos não compilados: 1.' out || { cat out; exit 1; }
[ -x bom.exe ] && [ ! -e vazio.exe ]
grep -q '^vazio\.dpr(5) Error: .*at least one line' comp.log || { cat comp.log; exit 1; }
grep -qx beep speech2 || { cat speech2; exit 1; }
