#!/usr/bin/env bash
# roteiral with no file asks for one; a missing file is said; a name without .cmd is found.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
run() { ROTEIRAL_CONSOLE=headless ROTEIRAL_SCREEN="$work/screen" timeout 20 "$build/bin/roteiral" "$@"; }

printf 'nada.cmd\n' | run >/dev/null
diff -u <(printf 'Nome do arquivo .CMD a executar: nada.cmd\nArquivo .CMD inexistente\n') "$work/screen"

printf 'escreve "dentro"\r\ntermina mudo\r\n' >Teste.cmd
printf 'teste\n' | run >/dev/null
diff -u <(printf 'Nome do arquivo .CMD a executar: teste\ndentro\n') "$work/screen"

run TESTE.CMD </dev/null >/dev/null
diff -u <(printf 'dentro\n') "$work/screen"

run ausente.cmd </dev/null >/dev/null
diff -u <(printf 'Arquivo .CMD inexistente\n') "$work/screen"
