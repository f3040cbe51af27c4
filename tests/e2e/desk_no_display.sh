#!/usr/bin/env bash
# Without a display every desktop command fails with the execution-error report, and the
# clipboard of TRANSFERE is the console's own.
set -u
build=$(cd "${1:?build directory}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/root/windows"
cp "$here/../../data/ZUNAPE.INI" "$work/root/windows/ZUNAPE.INI"
"$here/../scripts/lay-voice" "$work/root"
run() {
  printf '%s\n' "$@" >"$work/s.cmd"
  (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY ROTEIRAL_ROOT="$work/root" ROTEIRAL_CONSOLE=headless \
     ROTEIRAL_AUDIO=null ROTEIRAL_SCREEN="$work/screen" timeout 20 "$build/bin/roteiral" s.cmd \
     </dev/null >"$work/out" 2>"$work/err")
}
for command in 'digita "abc"' 'aciona "ESC"' 'aciona "x"' 'clica 10, 20' 'clica duplo tela 1 2' \
               'le mouse x y' 'le rato tela x y' 'janela fecha "X"' 'captura titulo t' 'captura campo t'; do
  run "$command" 'escreve "depois"'
  code=$?
  [ "$code" = 0 ] || { echo "FAIL: '$command' ended with $code"; cat "$work/err"; exit 1; }
  grep -qx 'Erro de execução na linha 1' "$work/screen" || { echo "FAIL: '$command' did not fail"; cat "$work/screen"; exit 1; }
  grep -q depois "$work/screen" && { echo "FAIL: '$command' went on"; exit 1; }
done
run 'seja $a "copiado"' 'transfere de $a' 'transfere para $b' 'escreve "volta " $b'
grep -qx 'volta copiado' "$work/screen" || { echo "FAIL: TRANSFERE through the console"; cat "$work/screen"; exit 1; }
echo ok
