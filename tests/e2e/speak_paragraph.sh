#!/usr/bin/env bash
# The installed voice speaks a paragraph: the sound written to ROTEIRAL_AUDIO=file: must be
# speech, neither silence nor noise, and last about as long as the words need.
set -uo pipefail
build=$(cd "${1:?build directory}" && pwd)
root=${ROTEIRAL_ROOT:-$build/root}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# 30 words, Windows-1252 like every script.
printf 'escreve "O rato roeu a roupa do rei de Roma, e a rainha ficou muito brava. Depois de tr\xeas dias, todos voltaram para casa contentes com a festa da cidade."\r\ntermina mudo\r\n' >p.cmd
ROTEIRAL_ROOT="$root" ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO="file:$work/out.wav" ROTEIRAL_SPEECH_LOG="$work/speech" \
  timeout 120 "$build/bin/roteiral" p.cmd </dev/null >"$work/stdout" 2>&1
code=$?
if [ "$code" != 0 ] || grep -q "Erro de inicializa" "$work/stdout"; then
  echo "the voice did not speak (exit $code):"; cat "$work/stdout"; exit 1
fi
python3 - "$work/out.wav" "$work/speech" <<'PY'
import math, struct, sys
wav, log = sys.argv[1], sys.argv[2]
data = open(wav, 'rb').read()
assert data[:4] == b'RIFF' and data[8:12] == b'WAVE', 'not a WAV file'
rate = struct.unpack_from('<I', data, 24)[0]
bits = struct.unpack_from('<H', data, 34)[0]
at = data.find(b'data')
n = struct.unpack_from('<I', data, at + 4)[0]
assert bits == 16, bits
samples = struct.unpack_from('<%dh' % (n // 2), data, at + 8)
secs = len(samples) / rate
words = 30
print('%.2f s of sound at %d Hz' % (secs, rate))
fail = []
if not 0.12 * words <= secs <= 1.2 * words:
    fail.append('length %.2f s is not that of %d spoken words' % (secs, words))
rms = math.sqrt(sum(s * s for s in samples) / max(1, len(samples)))
if rms < 300:
    fail.append('silence: rms %.0f' % rms)
crossings = sum(1 for a, b in zip(samples, samples[1:]) if (a < 0) != (b < 0))
zcr = crossings / max(1, len(samples) - 1)
# White noise crosses zero about every other sample; voiced speech far less often.
if zcr > 0.3:
    fail.append('noise: zero-crossing rate %.2f' % zcr)
w = max(1, rate // 50)
env = [math.sqrt(sum(s * s for s in samples[i:i + w]) / w) for i in range(0, len(samples) - w, w)]
mean = sum(env) / max(1, len(env))
cv = math.sqrt(sum((e - mean) ** 2 for e in env) / max(1, len(env))) / max(1e-9, mean)
# Syllables rise and fall; a steady hiss or tone does not.
if cv < 0.4:
    fail.append('no syllable rhythm: envelope variation %.2f' % cv)
missing = sum(1 for line in open(log, encoding='utf-8') if line.startswith('missing '))
if missing:
    fail.append('%d diphones missing from the voice' % missing)
print('rms %.0f, zero crossings %.2f, envelope variation %.2f' % (rms, zcr, cv))
if fail:
    print('\n'.join(fail))
    sys.exit(1)
PY
