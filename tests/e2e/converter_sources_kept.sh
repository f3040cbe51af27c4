#!/usr/bin/env bash
# The converter never removes the script it converts: an upper-case .CMD becomes NAME.dpr,
# and a name without .cmd gets .dpr added; each round after the first converts too.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf 'escreve "maiusculo"\r\n' >TESTE.CMD
printf 'escreve "sem extensao"\r\n' >notas
cp TESTE.CMD TESTE.orig && cp notas notas.orig
printf 'TESTE.CMD\nnotas\n\n' | ROTEIRAL_CONSOLE=headless timeout 60 "$build/bin/tradex" >out
cmp TESTE.CMD TESTE.orig && cmp notas notas.orig
[ "$(grep -c 'Executável gerado com sucesso!' out)" = 2 ] || { cat out; exit 1; }
! grep -q 'Erro de execução' out
grep -aq "^inicializa ('TESTE');" TESTE.dpr && grep -aq "^inicializa ('notas');" notas.dpr
for p in TESTE.exe notas.exe; do
  ROTEIRAL_CONSOLE=headless ROTEIRAL_SCREEN="$work/screen" timeout 20 "./$p" </dev/null >/dev/null
  grep -q 'Fim do script' screen
done
grep -qx 'sem extensao' screen
