#!/usr/bin/env bash
# TIPOSAPI=3: the ELZAR engine speaks a paragraph into ROTEIRAL_AUDIO=file:. The sound must
# be speech of a plausible length, the text must reach the engine (speech log), and the last
# word of a question must end higher than the same word closing a statement.
set -uo pipefail
build=$(cd "${1:?build directory}" && pwd)
root=${ROTEIRAL_ROOT:-$build/root}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ ! -f "$root/palmir/elzartts/br4" ]; then
  echo "the ELZAR voice is not in $root/palmir/elzartts"; exit 1
fi
# A root of our own: the family's data, a profile that turns ELZAR on.
mkdir -p "$work/root/windows"
ln -s "$root/palmir" "$work/root/palmir"
cp "$root/windows/REGISTRO.INI" "$work/root/windows/"
sed -e 's/^SAPI=.*/SAPI=S/' "$root/windows/ZUNAPE.INI" >"$work/root/windows/ZUNAPE.INI"
printf '\r\n[SERVFALA]\r\nTIPOSAPI=3\r\nVELOCIDADE=0\r\nTOM=0\r\n' >>"$work/root/windows/ZUNAPE.INI"
cd "$work"

run() {  # name, script text (Windows-1252)
  printf '%b' "$2" >"$1.cmd"
  ROTEIRAL_ROOT="$work/root" ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO="file:$work/$1.wav" \
    ROTEIRAL_SPEECH_LOG="$work/$1.log" timeout 120 "$build/bin/roteiral" "$1.cmd" </dev/null >"$1.out" 2>&1
  local code=$?
  if [ "$code" != 0 ]; then echo "$1: exit $code"; cat "$1.out"; exit 1; fi
  if ! grep -q '^engine ' "$1.log"; then echo "$1: the text did not reach the engine:"; cat "$1.log"; exit 1; fi
}
# 30 words.
run paragraph 'escreve "O rato roeu a roupa do rei de Roma, e a rainha ficou muito brava. Depois de tr\xeas dias, todos voltaram para casa contentes com a festa da cidade."\r\ntermina mudo\r\n'
run statement 'escreve "Voc\xea vai comprar uma bola amarela."\r\ntermina mudo\r\n'
run question 'escreve "Voc\xea vai comprar uma bola amarela?"\r\ntermina mudo\r\n'

python3 - "$work" <<'PY'
import math, struct, sys
work = sys.argv[1]

def samples(name):
    data = open('%s/%s.wav' % (work, name), 'rb').read()
    assert data[:4] == b'RIFF' and data[8:12] == b'WAVE', name + ': not a WAV file'
    rate = struct.unpack_from('<I', data, 24)[0]
    at = data.find(b'data')
    n = struct.unpack_from('<I', data, at + 4)[0]
    return rate, struct.unpack_from('<%dh' % (n // 2), data, at + 8)

fail = []
rate, s = samples('paragraph')
secs = len(s) / rate
rms = math.sqrt(sum(x * x for x in s) / max(1, len(s)))
print('paragraph: %.2f s at %d Hz, rms %.0f' % (secs, rate, rms))
if not 0.2 * 30 <= secs <= 1.0 * 30:
    fail.append('paragraph length %.2f s is not that of 30 spoken words' % secs)
if rms < 300:
    fail.append('paragraph is silence')

def pitch(frame, rate):
    # Autocorrelation over 70..400 Hz; None for unvoiced or quiet frames.
    e = sum(x * x for x in frame)
    if e / len(frame) < 200 ** 2:
        return None
    best, lag_best = 0.0, None
    for lag in range(rate // 400, rate // 70):
        c = sum(frame[i] * frame[i + lag] for i in range(0, len(frame) - lag, 2))
        if c > best:
            best, lag_best = c, lag
    if lag_best is None or best < 0.3 * e / 2:
        return None
    return rate / lag_best

def tail_pitch(name):
    rate, s = samples(name)
    w = int(0.03 * rate)
    track = []
    for i in range(0, len(s) - 2 * w, w):
        f = pitch(s[i:i + 2 * w], rate)
        if f:
            track.append((i / rate, f))
    assert track, name + ': no voiced sound'
    end = track[-1][0]
    last = [f for t, f in track if t >= end - 0.35]   # the last word's final syllables
    body = [f for t, f in track if t < end - 0.35]
    med = lambda v: sorted(v)[len(v) // 2]
    return med(last), med(body) if body else med(last)

qs, qb = tail_pitch('question')
ss, sb = tail_pitch('statement')
print('last word: question %.0f Hz (sentence %.0f), statement %.0f Hz (sentence %.0f)' % (qs, qb, ss, sb))
if not qs > ss * 1.1:
    fail.append('the question does not rise at its end: %.0f Hz against %.0f Hz' % (qs, ss))
if fail:
    print('\n'.join(fail))
    sys.exit(1)
PY
