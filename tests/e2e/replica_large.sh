#!/usr/bin/env bash
# REPLICA of a 70000-byte file (three blocks of the 30000-byte buffer) is byte for byte,
# with names that carry blanks and accents; a failed REPLICA leaves the target as it was.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
mkdir -p "$root/windows"
cp "$(dirname "$0")/../../data/ZUNAPE.INI" "$root/windows/"
"$(dirname "$0")/../scripts/lay-voice" "$root"
cd "$work"
head -c 70000 /dev/urandom >"grande.bin"
printf 'guardado' >"alvo existente"
# Windows-1252 script: "cópia grande.bin" has ó as the byte 0xF3.
printf 'replica "grande.bin" "c\363pia grande.bin"\r\nreplica "C\323PIA GRANDE.BIN" "segunda"\r\nescreve "ok"\r\nreplica "nada" "alvo existente"\r\n' >a.cmd
ROTEIRAL_ROOT="$root" ROTEIRAL_CONSOLE=headless ROTEIRAL_SCREEN="$work/screen" \
  timeout 20 "$build/bin/roteiral" a.cmd </dev/null >/dev/null
test "$(stat -c %s "cópia grande.bin")" = 70000
cmp grande.bin "cópia grande.bin"
cmp grande.bin segunda
diff -u <(printf 'ok\nErro de execução na linha 4\n') "$work/screen"
test "$(cat "alvo existente")" = guardado
