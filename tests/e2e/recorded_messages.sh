#!/usr/bin/env bash
# A recording named after a message key replaces the synthesised words; the text is still shown.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
mkdir -p "$root/windows" "$root/palmir/som/letras"
cp "$(dirname "$0")/../../data/ZUNAPE.INI" "$root/windows/"
"$(dirname "$0")/../scripts/lay-voice" "$root"
: >"$root/palmir/som/letras/SCFIM.wav"
cd "$work"
printf 'escreve "oi"\r\n' >a.cmd
printf 'retorna\r\n' >b.cmd
run() { ROTEIRAL_ROOT="$root" ROTEIRAL_CONSOLE=headless ROTEIRAL_SCREEN="$work/screen" \
  ROTEIRAL_SPEECH_LOG="$work/speech" timeout 20 "$build/bin/roteiral" "$@" >/dev/null; }

run a.cmd </dev/null
diff -u <(printf 'oi\nFim do script\n') "$work/screen"
diff -u <(printf 'text oi\nphonetic [o^/y]\nfragment SCFIM\n') <(grep -v '^missing ' "$work/speech")

# No recording for the error report: it is spoken, then the line number.
printf '\n' | run b.cmd
diff -u <(printf 'text Retorno sem chamada\ntext Erro de execução na linha \ntext 1\n') "$work/speech"
