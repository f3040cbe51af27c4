#!/usr/bin/env bash
# The ELZAR voice in the family root: it loads through the synthesiser, holds every diphone
# of portug.dfn and speaks each one for its full length; a phrase comes out at the length
# its lines ask for; a cut or damaged copy of the voice is refused.
set -eu
build=$(cd "${1:?build directory}" && pwd)
src=$(cd "$(dirname "$0")/../.." && pwd)
voice=$build/root/palmir/elzartts/br4
dfn=$build/root/palmir/elzartts/portug.dfn
[ -r "$dfn" ] || dfn=$src/data/elzartts/portug.dfn
check=$build/bin/voicecheck
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

[ -r "$voice" ] || { echo "no voice at $voice"; exit 1; }
listed=$(grep -c -- '-' "$dfn")
[ "$listed" -eq 1521 ] || { echo "portug.dfn lists $listed pairs, not 1521"; exit 1; }

printf '_ 100\r\nk 80\r\na 140 50 130\r\nz 90\r\n@ 80\r\n_ 100\r\n' >"$work/casa.pho"
out=$("$check" --voice "$voice" --dfn "$dfn" --say "$work/casa.pho" --wav "$work/casa.wav")
echo "$out"
echo "$out" | grep -qx "voicecheck: 1521 diphones listed, 0 failed"
echo "$out" | grep -qx "voicecheck: 9440 samples spoken"   # 590 ms at 16000 Hz
python3 - "$work/casa.wav" <<'PY'
import struct, sys
b = open(sys.argv[1], "rb").read()
s = struct.unpack("<%dh" % ((len(b) - 44) // 2), b[44:])
peak = max(abs(v) for v in s[1600:8000])
assert peak > 3000, "the phrase is nearly silent: peak %d" % peak
PY

size=$(stat -c %s "$voice")
head -c $((size / 2)) "$voice" >"$work/short"
python3 - "$voice" "$work/damaged" <<'PY'
import sys
b = bytearray(open(sys.argv[1], "rb").read())
b[len(b) // 3] ^= 0x01  # one bit in the samples
open(sys.argv[2], "wb").write(b)
PY
for bad in "$work/short" "$work/damaged"; do
  if "$check" --voice "$bad" --dfn "$dfn" >/dev/null 2>&1; then
    echo "a broken voice was accepted: $bad"
    exit 1
  fi
done
echo "elzar voice: ok"
