#!/usr/bin/env bash
# The menu with keys typed one at a time, as a user types them: a beep drops the keys
# already waiting, so these come after it rather than all at once from a file.
set -u
build=$(cd "${1:?build directory}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/root/windows"
cp "$here/../../data/ZUNAPE.INI" "$work/root/windows/ZUNAPE.INI"
"$here/../scripts/lay-voice" "$work/root"
cat >"$work/menu.cmd" <<'CMD'
menu cria 1 1 20 3
menu adiciona "um"
menu adiciona "dois"
menu adiciona "tres"
seja $p 1
menu executa $p $k $t
menu termina
escreve "posicao " $p " tecla " $k " texto [" $t "]"
CMD
down=$'\033[B'
{ for _ in 1 2 3; do printf '%s' "$down"; sleep 0.3; done; printf '\r'; sleep 0.3; } |
  (cd "$work" && ROTEIRAL_ROOT="$work/root" ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=null \
     ROTEIRAL_SCREEN="$work/screen" ROTEIRAL_SPEECH_LOG="$work/speech" env -u DISPLAY \
     timeout 30 "$build/bin/roteiral" menu.cmd >"$work/out" 2>"$work/err")
grep -qx 'posicao 4 tecla #13 texto \[\]' "$work/screen" || { echo "FAIL: screen"; cat "$work/screen" "$work/err"; exit 1; }
# Each move speaks the item reached; the move past the last one beeps instead.
want=$'text um\ntext dois\ntext tres\nbeep'
got=$(grep -E '^(text|beep)' "$work/speech" | sed -n '1,4p')
[ "$got" = "$want" ] || { echo "FAIL: speech"; cat "$work/speech"; exit 1; }
echo ok
