#!/usr/bin/env bash
# tradex in headless mode: its title line, the question, and where the run stops today.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
out=$(printf 'exemplo.cmd\n' | ROTEIRAL_CONSOLE=headless ROTEIRAL_SCREEN="$work/screen" \
  ROTEIRAL_SPEECH_LOG="$work/speech" timeout 20 "$build/bin/tradex")
expected='Conversor de scripts em cmd para arquivos .exe
Nome do arquivo cmd:
Erro de execução na linha 28
exemplo.cmd'
[ "$out" = "$expected" ] || { echo "stdout:"; echo "$out"; exit 1; }
diff -u <(printf '%s\n' "$expected") "$work/screen"
grep -qx 'text Conversor de scripts em cmd para arquivos .exe' "$work/speech"
grep -qx 'text 28' "$work/speech"
