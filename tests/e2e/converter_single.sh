#!/usr/bin/env bash
# tradex on one three-line script: the program source byte for byte, the compiler's log,
# the counts and the speech; the program made runs from another folder. The next round
# starts with the title again, and an empty answer ends the converter without a word.
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf 'escreve "um"\r\nescreve "dois"\r\nescreve "tr\xeas"\r\n' >tres.cmd
printf 'tres.cmd\n\n' | ROTEIRAL_CONSOLE=headless ROTEIRAL_SCREEN="$work/screen" \
  ROTEIRAL_SPEECH_LOG="$work/speech" timeout 60 "$build/bin/tradex" >/dev/null

printf '%s\r\n' 'program tres;' 'uses rlplus;' '' 'const' 'tamprog = 3;' '' 'var' 'i : integer;' \
  'script : array[1..tamprog] of string = (' "'escreve \"um\"'," "'escreve \"dois\"'," \
  "'escreve \"tr"$'\xea'"s\"');" '' 'begin' "inicializa ('tres');" 'for i := 1 to tamprog do' \
  'carregascript(script[i],i);' 'processa;' 'end.' >expected.dpr
cmp tres.dpr expected.dpr
grep -q '^19 lines, 3 script lines, compiled\.' comp.log
[ -x tres.exe ]

diff -u - screen <<'TXT'
Conversor de scripts em cmd para arquivos .exe
Nome do arquivo cmd:
tres.cmd
Aguarde um momento.
Compilando.
Executável gerado com sucesso!

Operação terminada.
Arquivos compilados: 1.
Arquivos não compilados: 0.

Para saber mais sobre os erros de compilação, ver arquivo comp.log.
Nome do arquivo cmd:
TXT
for said in 'text Nome do arquivo cmd:' 'text Compilando.' 'click' 'text Executável gerado com sucesso!' \
  'text Arquivos compilados: 1.'; do
  grep -qxF "$said" speech || { echo "not in the speech log: $said"; cat speech; exit 1; }
done
[ "$(grep -c '^text Nome do arquivo cmd:$' speech)" = 2 ]

# The program needs only the family root, which it finds from any folder.
mkdir outra && cd outra
env -u ROTEIRAL_ROOT ROTEIRAL_CONSOLE=headless ROTEIRAL_SCREEN="$work/run" ROTEIRAL_SPEECH_LOG="$work/run.speech" \
  timeout 20 ../tres.exe </dev/null >/dev/null
printf 'um\ndois\ntr\xc3\xaas\nFim do script\n' | diff -u - "$work/run"
grep -qxF 'text três' "$work/run.speech"
python3 "$here/exe_payload.py" ../tres.exe tres ../tres.cmd
