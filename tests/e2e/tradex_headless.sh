#!/usr/bin/env bash
# tradex in headless mode: its title line, the question, the answer, and BUSCA's existence
# test finding no such script.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
out=$(printf 'exemplo.cmd\n' | ROTEIRAL_CONSOLE=headless ROTEIRAL_SCREEN="$work/screen" \
  ROTEIRAL_SPEECH_LOG="$work/speech" timeout 20 "$build/bin/tradex")
expected='Conversor de scripts em cmd para arquivos .exe
Nome do arquivo cmd:
exemplo.cmd
Arquivo cmd não existe.
Fim do programa.'
[ "$out" = "$expected" ] || { echo "stdout:"; echo "$out"; exit 1; }
diff -u <(printf '%s\n' "$expected") "$work/screen"
grep -qx 'text Conversor de scripts em cmd para arquivos .exe' "$work/speech"
grep -qx 'text Arquivo cmd não existe.' "$work/speech"
