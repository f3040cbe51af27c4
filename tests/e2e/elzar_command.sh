#!/usr/bin/env bash
# The elzar command: normalised text and MBROLA lines in UTF-8, text from standard input,
# a WAV file through the engine's file mode, and a clear failure without data.
set -uo pipefail
build=$(cd "${1:?build directory}" && pwd)
elzar=$build/bin/elzar
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() { if [ "$2" != "$3" ]; then echo "$1: got [$2], want [$3]"; fail=1; fi; }

check "abbreviation, in UTF-8" "$("$elzar" --norm 'O Sr. João')" "O senhor João"
check "standard input, its line end dropped" "$(printf 'O Sr. João\n' | "$elzar" --norm -)" "O senhor João"

# Every MBROLA line: a comment, or a phoneme of our set with a duration and pitch pairs.
"$elzar" --pho 'Você vai à praia amanhã?' >"$work/pho" || { echo "--pho failed"; fail=1; }
python3 - "$work/pho" <<'PY' || fail=1
import re, sys
lines = open(sys.argv[1], encoding='utf-8').read().splitlines()
names = set('a @ e eh i o oh u am em im om um y w p b t d k g f v s z m n l x j nh lh r rr r2 s2 tx dj _'.split())
bad = []
phones = 0
for l in lines:
    if not l or l.startswith(';'):
        continue
    f = l.split()
    if f[0] not in names or not f[1].isdigit() or len(f) % 2 != 0 or not all(re.fullmatch(r'\d+', x) for x in f[2:]):
        bad.append(l)
    phones += 1
if bad or phones < 10:
    print('bad MBROLA lines:', bad[:5], 'phonemes:', phones)
    sys.exit(1)
PY

"$elzar" -w "$work/fala.wav" 'Bom dia, tudo bem?' || { echo "-w failed"; fail=1; }
python3 - "$work/fala.wav" <<'PY' || fail=1
import struct, sys
d = open(sys.argv[1], 'rb').read()
riff, data = struct.unpack_from('<I', d, 4)[0], struct.unpack_from('<I', d, 40)[0]
rate, bits = struct.unpack_from('<I', d, 24)[0], struct.unpack_from('<H', d, 34)[0]
secs = data / 2 / 16000
print('fala.wav: %.2f s' % secs)
if riff != len(d) - 8 or data != len(d) - 44 or rate != 16000 or bits != 16 or not 0.6 < secs < 4:
    print('bad WAV: riff %d data %d size %d rate %d bits %d' % (riff, data, len(d), rate, bits))
    sys.exit(1)
PY

# Spoken through the wave player: the same speech reaches the sound layer.
ROTEIRAL_AUDIO="file:$work/dito.wav" "$elzar" 'Bom dia, tudo bem?' || { echo "speaking failed"; fail=1; }
python3 - "$work/dito.wav" "$work/fala.wav" <<'PY' || fail=1
import struct, sys
def secs(p):
    d = open(p, 'rb').read()
    return struct.unpack_from('<I', d, 40)[0] / 2 / struct.unpack_from('<I', d, 24)[0]
played, written = secs(sys.argv[1]), secs(sys.argv[2])
if abs(played - written) > 0.05:
    print('played %.2f s, written %.2f s' % (played, written)); sys.exit(1)
PY

out=$("$elzar" --data "$work/nada" --pho 'oi' 2>&1); code=$?
check "no data: exit" "$code" 1
check "no data: message" "$out" "Erro na base de dados de português"
out=$("$elzar" --data "$work/nada" -w "$work/x.wav" 'oi' 2>&1); code=$?
check "no voice: exit" "$code" 1
exit $fail
