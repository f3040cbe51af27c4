# Shared by the network tests: a scratch root, servers on 127.0.0.1 and a headless run.
#   source net_common.bash BUILD
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
server_pids=()
cleanup() {
  for p in "${server_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
root="$work/root"
mkdir -p "$root/windows"
cp "$here/../../data/ZUNAPE.INI" "$root/windows/ZUNAPE.INI"
"$here/../scripts/lay-voice" "$root"
cd "$work"

# A profile key of section ZUNAPE: set_key KEY VALUE
set_key() {
  python3 - "$root/windows/ZUNAPE.INI" "$1" "$2" <<'PY'
import sys
path, key, value = sys.argv[1:]
lines = open(path, encoding="latin-1").read().splitlines()
out, done = [], False
for line in lines:
    out.append(line)
    if line.strip().upper() == "[ZUNAPE]" and not done:
        out.append(f"{key}={value}")
        done = True
open(path, "w", encoding="latin-1").write("\r\n".join(out) + "\r\n")
PY
}

# start_server VAR ARGS...: runs net_server.py ARGS in the background, VAR gets its port.
start_server() {
  local var=$1
  shift
  local out="$work/server.$RANDOM"
  python3 "$here/net_server.py" "$@" >"$out" 2>"$out.err" &
  server_pids+=($!)
  for _ in $(seq 100); do
    [ -s "$out" ] && break
    sleep 0.05
  done
  [ -s "$out" ] || { echo "server did not start: $*"; cat "$out.err"; exit 1; }
  printf -v "$var" '%s' "$(head -1 "$out")"
}

# Writes a script from lines (one argument each) with CR LF ends.
write_script() {
  local file=$1
  shift
  printf '%s\r\n' "$@" >"$file"
}

# run_script FILE [STDIN]: runs it headless; the screen goes to $work/screen and the speech
# log to $work/speech.
run_script() {
  local input=${2:-/dev/null}
  local code=0
  ROTEIRAL_ROOT="$root" ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=null ROTEIRAL_SCREEN="$work/screen" \
    ROTEIRAL_SPEECH_LOG="$work/speech" timeout "${RUN_LIMIT:-60}" "$build/bin/roteiral" "$1" \
    <"$input" >"$work/stdout" 2>"$work/stderr" || code=$?
  if [ "$code" != 0 ]; then
    echo "roteiral $1 ended with $code"
    cat "$work/stderr"
    exit 1
  fi
}

# The expected screen, one argument a row.
expect_screen() {
  if ! diff -u <(printf '%s\n' "$@") "$work/screen"; then
    echo "screen differs"
    cat "$work/stderr"
    exit 1
  fi
}
