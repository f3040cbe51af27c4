#!/usr/bin/env bash
# One script saved as Windows-1252, UTF-8 and UTF-8 with a byte-order mark: roteiral and
# the programs the converter makes show and speak the same; a character the code page
# lacks becomes '?' with one warning naming its line.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
body='escreve "Ação: café, pão e maçã"\r\nseja $x "çÇ€"\r\nescreve $x\r\n'
printf "$body" >utf8.cmd
printf '\xef\xbb\xbf'"$body" >bom.cmd
printf "$body" | iconv -f UTF-8 -t WINDOWS-1252 >w1252.cmd
cp w1252.cmd w1252.orig
run() {  # name, program...
  local name=$1; shift
  ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=null ROTEIRAL_SCREEN="$work/$name.screen" \
    ROTEIRAL_SPEECH_LOG="$work/$name.speech" timeout 60 "$@" </dev/null >/dev/null 2>"$work/$name.err"
}
for f in utf8 bom w1252; do run "$f" "$build/bin/roteiral" "$f.cmd"; done
grep -qxF 'Ação: café, pão e maçã' w1252.screen
for f in utf8 bom; do
  diff -u w1252.screen "$f.screen"
  diff -u w1252.speech "$f.speech"
  [ ! -s "$f.err" ] || { cat "$f.err"; exit 1; }
done
cmp w1252.cmd w1252.orig

# Through the converter: the generated program embeds the Windows-1252 text.
for f in utf8 bom; do
  printf '%s.cmd\n\n' "$f" | ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=null timeout 120 "$build/bin/tradex" >/dev/null
  run "$f-exe" "./$f.exe"
  diff -u w1252.screen "$f-exe.screen"
done

# Almost UTF-8: one invalid byte keeps the whole file as Windows-1252.
printf 'escreve "ação \xe7"\r\n' >almost.cmd
run almost "$build/bin/roteiral" almost.cmd
grep -qxF 'aÃ§Ã£o ç' almost.screen

printf 'escreve "um"\nescreve "日本 e ação"\nescreve "€ ☺"\n' >lost.cmd
run lost "$build/bin/roteiral" lost.cmd
grep -qxF '?? e ação' lost.screen
grep -qxF '€ ?' lost.screen
[ "$(grep -c . lost.err)" = 1 ] && grep -q 'linha 2' lost.err
echo ok
