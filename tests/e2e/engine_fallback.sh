#!/usr/bin/env bash
# Engines that cannot open leave the built-in voice speaking without a word about it, and
# nothing hangs: espeak-ng without its data, a speech service that is not running, an
# ELZAR voice that is cut short or garbage, ELZAR data that are missing.
set -uo pipefail
build=$(cd "${1:?build directory}" && pwd)
root=${ROTEIRAL_ROOT:-$build/root}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
here=$(cd "$(dirname "$0")" && pwd)
cd "$work"
# Under the sanitizers: the library's own leak on a failed connect; the slow unwinder
# names it through the library's frames.
export LSAN_OPTIONS="suppressions=$here/speechd_lsan.supp:print_suppressions=0:fast_unwind_on_malloc=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
mkdir -p root/windows root/palmir empty
for d in "$root"/palmir/*; do [ "$(basename "$d")" = elzartts ] || ln -s "$d" root/palmir/; done
cp "$root/windows/REGISTRO.INI" root/windows/
printf 'escreve "bom dia"\r\ntermina mudo\r\n' >s.cmd
fail=0

try() {  # what, TIPOSAPI, then env assignments
  local what=$1 kind=$2
  shift 2
  sed -e 's/^SAPI=.*/SAPI=S/' "$root/windows/ZUNAPE.INI" >root/windows/ZUNAPE.INI
  printf '\r\n[SERVFALA]\r\nTIPOSAPI=%s\r\n' "$kind" >>root/windows/ZUNAPE.INI
  env "$@" ROTEIRAL_ROOT="$work/root" ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=null ROTEIRAL_SPEECH_LOG=log \
    timeout 30 "$build/bin/roteiral" s.cmd </dev/null >out 2>err
  local code=$?
  if [ "$code" != 0 ] || grep -q '^engine' log || ! grep -q '^phonetic' log || [ -s err ]; then
    echo "$what: exit $code, the built-in voice did not take over:"; cat log out err; fail=1
  else
    echo "$what: the built-in voice spoke"
  fi
}

try "espeak-ng without its data" 5 ESPEAK_DATA_PATH="$work/empty"
try "no speech service" 4 SPEECHD_ADDRESS="unix_socket:$work/none.sock"
mkdir root/palmir/elzartts
try "ELZAR without its data" 3
for f in "$root"/palmir/elzartts/*; do cp "$f" root/palmir/elzartts/; done
size=$(stat -c %s root/palmir/elzartts/br4)
head -c $((size / 3)) "$root/palmir/elzartts/br4" >root/palmir/elzartts/br4
try "ELZAR with a voice cut short" 3
head -c "$size" /dev/urandom >root/palmir/elzartts/br4
try "ELZAR with a voice of garbage" 3
exit $fail
