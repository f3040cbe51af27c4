#!/usr/bin/env bash
# MENSAGEM plays a wave file into the WAV recorder: the name is upper-cased and ".WAV" added
# when missing, and found whatever the letter case on disk; a missing file plays nothing and
# still succeeds.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
mkdir -p "$root/windows"
cp "$(dirname "$0")/../../data/ZUNAPE.INI" "$root/windows/"
"$(dirname "$0")/../scripts/lay-voice" "$root"
cd "$work"
sox -n -r 22050 -c 1 -b 16 aviso.wav synth 1.2 sine 440 gain -6

# Prints the recording's length in seconds (0 when nothing played); the statement must succeed.
play() {
  rm -f out.wav screen
  printf '%s\r\ntermina mudo\r\n' "$1" >t.cmd
  ROTEIRAL_ROOT="$root" ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO="file:$work/out.wav" ROTEIRAL_SCREEN="$work/screen" \
    timeout 60 "$build/bin/roteiral" t.cmd </dev/null >/dev/null
  ! grep -q Erro screen || { echo "'$1' did not succeed"; exit 1; }
  if [ -s out.wav ]; then soxi -D out.wav; else echo 0; fi
}
fail=0
for statement in 'mensagem "aviso"' 'mensagem "Aviso.wav"'; do
  len=$(play "$statement")
  awk -v l="$len" 'BEGIN { exit !(l >= 1.15 && l <= 1.25) }' || { echo "$statement: recorded $len s"; fail=1; }
done
len=$(play 'mensagem "nenhum"')
awk -v l="$len" 'BEGIN { exit !(l == 0) }' || { echo "a missing message played $len s"; fail=1; }
exit $fail
