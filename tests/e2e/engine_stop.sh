#!/usr/bin/env bash
# Every voice is silenced by a key. A script speaks a long text through a private sound
# server; a key typed 1.5 s after the speech began must end the sound at once. The sound server's output is
# recorded from its monitor, so the stop is measured where the user hears it: from the
# key to the last sound. Voices: the built-in one, ELZAR (TIPOSAPI=3), espeak-ng
# (TIPOSAPI=5) and the desktop speech service (TIPOSAPI=4, a speech-dispatcher of our own
# with its espeak-ng module).
set -uo pipefail
build=$(cd "${1:?build directory}" && pwd)
root=${ROTEIRAL_ROOT:-$build/root}
for p in pulseaudio parec speech-dispatcher python3; do
  command -v "$p" >/dev/null || { echo "$p is not installed (scripts/install-deps)"; exit 1; }
done
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
# KEEP=1 keeps the recordings and logs for a look afterwards.
[ -n "${KEEP:-}" ] && echo "work: $work"
export HOME=$work XDG_RUNTIME_DIR=$work PULSE_RUNTIME_PATH=$work/pulse PULSE_STATE_PATH=$work/pulse
mkdir -p "$work/pulse"

# The sound server: a null sink whose monitor we record.
pulseaudio -n --daemonize=no --system=false --exit-idle-time=-1 --use-pid-file=no --disable-shm=true \
  --load="module-null-sink sink_name=silent" \
  --load="module-native-protocol-unix auth-anonymous=1 socket=$work/pulse/native" \
  >"$work/pulse.log" 2>&1 &
pids+=($!)
for _ in $(seq 300); do [ -S "$work/pulse/native" ] && break; sleep 0.02; done
[ -S "$work/pulse/native" ] || { echo "pulseaudio did not start"; cat "$work/pulse.log"; exit 1; }
export PULSE_SERVER=unix:$work/pulse/native

# The speech service, its audio on that server.
mkdir -p "$work/speechd/modules" "$work/speechd-log"
cat >"$work/speechd/speechd.conf" <<CONF
AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"
DefaultModule espeak-ng
DefaultLanguage "pt-br"
AudioOutputMethod "pulse"
CONF
: >"$work/speechd/modules/espeak-ng.conf"
speech-dispatcher -s -t 0 -c unix_socket -S "$work/speechd.sock" -C "$work/speechd" -L "$work/speechd-log" \
  -P "$work/speechd.pid" >"$work/speechd.out" 2>&1 &
pids+=($!)
for _ in $(seq 300); do [ -S "$work/speechd.sock" ] && break; sleep 0.02; done
[ -S "$work/speechd.sock" ] || { echo "speech-dispatcher did not start"; cat "$work/speechd.out"; exit 1; }
export SPEECHD_ADDRESS=unix_socket:$work/speechd.sock

mkdir -p "$work/root/windows"
ln -s "$root/palmir" "$work/root/palmir"
cp "$root/windows/REGISTRO.INI" "$work/root/windows/" 2>/dev/null
cd "$work"
# 60 words, Windows-1252.
text='O rato roeu a roupa do rei de Roma, e a rainha ficou muito brava com ele. Depois de tr\xeas dias, todos voltaram para casa contentes com a festa da cidade, e as crian\xe7as brincaram no jardim at\xe9 a noite chegar. Ent\xe3o cada um foi dormir cansado, sonhando com o pr\xf3ximo ver\xe3o na praia, onde o mar \xe9 azul e calmo.'
printf "escreve \"$text\"\r\nle \$x\r\ntermina mudo\r\n" >long.cmd

status=0
measure() {  # name, SAPI setting, TIPOSAPI
  local name=$1
  sed -e "s/^SAPI=.*/SAPI=$2/" "$root/windows/ZUNAPE.INI" >root/windows/ZUNAPE.INI
  printf '\r\n[SERVFALA]\r\nTIPOSAPI=%s\r\n' "$3" >>root/windows/ZUNAPE.INI
  # Every 10 ms of the server's output is stamped with the moment it arrives here, so the
  # key and the sound share one clock (a lag here only makes the stop look later).
  rm -f "$name.fifo" "$name.env"
  mkfifo "$name.fifo"
  python3 -u - "$name.fifo" "$name.env" <<'PY' &
import struct, sys, time
src, out = open(sys.argv[1], 'rb'), open(sys.argv[2], 'w', buffering=1)
while True:
    b = src.read(320)
    if len(b) < 2:
        break
    s = struct.unpack('<%dh' % (len(b) // 2), b[:len(b) // 2 * 2])
    out.write('%.4f %d\n' % (time.time(), max(abs(x) for x in s)))
PY
  local stamper=$!
  parec -d silent.monitor --format=s16le --rate=16000 --channels=1 --latency-msec=10 >"$name.fifo" &
  local rec=$!
  local key
  # The key comes 1.5 s after the first sound reached the server (or 20 s after the start,
  # for a voice that stays silent); its moment is taken when it is written.
  { python3 - "$name.env" "$name.key" <<'PY'
import sys, time
env, keyfile = sys.argv[1], sys.argv[2]
until = time.time() + 20
heard = False
while time.time() < until and not heard:
    try:
        heard = any(int(l.split()[1]) > 300 for l in open(env) if len(l.split()) == 2)
    except OSError:
        pass
    time.sleep(0.02)
time.sleep(1.5 if heard else 0)
open(keyfile, 'w').write('%.6f\n' % time.time())
sys.stdout.write('x\r')
sys.stdout.flush()
time.sleep(3)
PY
  } |
    ROTEIRAL_ROOT="$work/root" ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=device ROTEIRAL_SPEECH_LOG="$name.log" \
      timeout 60 "$build/bin/roteiral" long.cmd >"$name.out" 2>&1
  local code=$?
  sleep 0.5
  kill "$rec"; wait "$rec" 2>/dev/null
  wait "$stamper" 2>/dev/null
  key=$(cat "$name.key")
  if [ "$code" != 0 ]; then echo "$name: exit $code"; cat "$name.out"; status=1; return; fi
  if [ "$3" != none ] && ! grep -q '^engine ' "$name.log"; then
    echo "$name: the engine did not open (the built-in voice spoke)"; status=1; return
  fi
  python3 - "$name" "$name.env" "$key" <<'PY' || status=1
import sys
name, env, key = sys.argv[1], sys.argv[2], float(sys.argv[3])
stamps = [(float(t), int(p)) for t, p in (l.split() for l in open(env) if len(l.split()) == 2)]
loud = [t for t, p in stamps if p > 300]
if not loud:
    print('%s: no sound reached the server' % name); sys.exit(1)
t0 = stamps[0][0]
first, last, key_at = loud[0] - t0, loud[-1] - t0, key - t0
latency = (last - key_at) * 1000
print('%s: sound from %.2f s, key at %.2f s, last sound %.2f s: stop latency %.0f ms' % (name, first, key_at, last, latency))
if first > key_at:
    print('%s: the speech had not started when the key came' % name); sys.exit(1)
open(name + '.latency', 'w').write('%.0f\n' % latency)
PY
}
measure builtin N none
measure elzar S 3
measure espeak S 5
measure speechd S 4
# The service dies mid-sentence: the script goes on at once, the built-in voice takes over.
sed -e "s/^SAPI=.*/SAPI=S/" "$root/windows/ZUNAPE.INI" >root/windows/ZUNAPE.INI
printf '\r\n[SERVFALA]\r\nTIPOSAPI=4\r\n' >>root/windows/ZUNAPE.INI
printf "escreve \"$text\"\r\nescreve \"depois\"\r\ntermina mudo\r\n" >dies.cmd
speechd_pid=${pids[1]}
( sleep 1.5; kill -9 "$speechd_pid" ) &
killer=$!
start=$(date +%s.%N)
ROTEIRAL_ROOT="$work/root" ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=device ROTEIRAL_SPEECH_LOG=dies.log \
  timeout 60 "$build/bin/roteiral" dies.cmd </dev/null >dies.out 2>&1
code=$?
wait "$killer"
took=$(python3 -c "import time; print('%.1f' % (time.time() - $start))")
echo "speechd killed 1.5 s into a 25 s text: the script ended after $took s (exit $code)"
# What follows is said by the built-in voice.
if [ "$code" != 0 ] || grep -q '^engine depois' dies.log || ! grep -q '^phonetic' dies.log; then
  echo "the script did not survive the service's death:"; cat dies.out dies.log; status=1
elif python3 -c "import sys; sys.exit(0 if $took < 10 else 1)"; then :; else
  echo "the script waited for a service that was gone"; status=1
fi

# The path from the server to its monitor adds the same delay to every voice, so each
# engine is held to the built-in voice's stop (with room for a busy machine), and the
# sound that would have gone on for twenty seconds more must be gone within one.
python3 - <<'PY' || status=1
import os
got = {n: float(open(n + '.latency').read()) for n in ('builtin', 'elzar', 'espeak', 'speechd') if os.path.exists(n + '.latency')}
base = got.get('builtin')
bad = False
for n, v in got.items():
    if v > 1000 or (base is not None and n != 'builtin' and v > base + 300):
        print('%s: the sound ran on %.0f ms after the key (built-in voice: %s ms)' % (n, v, base))
        bad = True
raise SystemExit(1 if bad else 0)
PY
exit $status
