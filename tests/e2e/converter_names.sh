#!/usr/bin/env bash
# Program and title names: blanks become underscores, . , + = go, accents are made
# plain in the program name; the title and the file names keep the name as it was.
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf 'escreve "meu"\r\n' >'Meu programa.cmd'
printf 'escreve "a\xe7a\xed"\r\n' >"$(printf 'A\xc3\xa7a\xc3\xad \xc3\xa0 n\xc3\xb3s.cmd')"
printf 'escreve "sinais"\r\n' >'a.b,c+d=e.cmd'
acai=$(printf 'A\xc3\xa7a\xc3\xad \xc3\xa0 n\xc3\xb3s')
printf 'Meu programa.cmd\n%s.cmd\na.b,c+d=e.cmd\n\n' "$acai" |
  ROTEIRAL_CONSOLE=headless timeout 90 "$build/bin/tradex" >out

check_dpr() {  # file, program line, inicializa line (Windows-1252)
  [ "$(sed -n 1p "$1")" = "$2"$'\r' ] || { echo "$1: $(sed -n 1p "$1" | od -c | head -3)"; exit 1; }
  [ "$(grep -a "^inicializa" "$1")" = "$3"$'\r' ] || { echo "$1: $(grep -a "^inicializa" "$1" | od -c | head -3)"; exit 1; }
}
check_dpr 'Meu programa.dpr' 'program Meu_programa;' "inicializa ('Meu programa');"
check_dpr "$acai.dpr" 'program Acai_a_nos;' "inicializa ('A"$'\xe7'"a"$'\xed \xe0'" n"$'\xf3'"s');"
check_dpr 'a.b,c+d=e.dpr' 'program abcde;' "inicializa ('a.b,c+d=e');"
[ "$(grep -c 'Executável gerado com sucesso!' out)" = 3 ] || { cat out; exit 1; }

run() {  # program, expected screen line
  ROTEIRAL_CONSOLE=headless ROTEIRAL_SCREEN="$work/screen" timeout 20 "./$1" </dev/null >/dev/null
  printf '%s\nFim do script\n' "$2" | diff -u - screen
}
run 'Meu programa.exe' meu
run "$acai.exe" "$(printf 'a\xc3\xa7a\xc3\xad')"
run 'a.b,c+d=e.exe' sinais
python3 "$here/exe_payload.py" "$acai.exe" "$acai" "$acai.cmd"
python3 "$here/exe_payload.py" 'Meu programa.exe' 'Meu programa' 'Meu programa.cmd'
