# Shared by the desktop tests: an Xvfb of their own with openbox, test windows, scripts.
# Sourced with the build folder as $1; defines $work, $build, $here and the helpers below.
set -u
build=$(cd "${1:?build directory}" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
pids=()
xvfb_pid=""
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  local e
  for e in "$work"/*.out "$work"/*.err "$work"/*.log "$work"/*.screen; do [ -s "$e" ] && { echo "== $e"; head -c 4000 "$e"; }; done
  exit 1
}

# A display of our own (Xvfb picks a free number), with openbox managing it when asked.
start_x() {
  command -v Xvfb >/dev/null || { echo "skipped: no Xvfb"; exit 0; }
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 1 50); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -s "$work/display" ] || { echo "skipped: Xvfb did not start"; exit 0; }
  export DISPLAY=":$(head -1 "$work/display")"
  if [ "${1:-}" = wm ]; then
    command -v openbox >/dev/null || fail "openbox is missing (scripts/install-deps installs it)"
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 1 100); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
      sleep 0.05
    done
    fail "openbox did not start"
  fi
}

# window NAME TITLE [LONG]: a test window in the background; its reports in $work/NAME.out;
# its id in $work/NAME.id once it is shown.
window() {
  local name=$1
  shift
  # Appending, so that a test may empty the file while the window writes to it.
  : >"$work/$name.out"
  "$build/bin/desk_window" "$@" >>"$work/$name.out" 2>"$work/$name.err" &
  pids+=($!)
  echo $! >"$work/$name.pid"
  wait_for "$work/$name.out" '^ready' || fail "window $name did not appear"
  sed -n 's/^ready //p' "$work/$name.out" | head -1 >"$work/$name.id"
}

# A family root with the default profile.
make_root() {
  mkdir -p "$work/root/windows"
  cp "$here/../../data/ZUNAPE.INI" "$work/root/windows/ZUNAPE.INI"
  "$here/../scripts/lay-voice" "$work/root"
}

# script NAME: runs $work/NAME.cmd headless (keys from $work/NAME.keys when present) and
# waits for it; the screen in $work/NAME.screen, the exit code in $work/NAME.rc.
script() {
  local name=$1 keys=/dev/null
  [ -f "$work/$name.keys" ] && keys="$work/$name.keys"
  (cd "$work" && ROTEIRAL_ROOT="$work/root" ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=null \
     ROTEIRAL_SCREEN="$work/$name.screen" ROTEIRAL_SPEECH_LOG="$work/$name.speech" \
     timeout 60 "$build/bin/roteiral" "$name.cmd" <"$keys" >"$work/$name.stdout" 2>"$work/$name.err")
  echo $? >"$work/$name.rc"
}

# wait_for FILE PATTERN: until the file holds a line matching it.
wait_for() {
  for _ in $(seq 1 200); do
    grep -q -- "$2" "$1" 2>/dev/null && return 0
    sleep 0.05
  done
  return 1
}

# wait_count FILE PATTERN N: until exactly N lines match (the window may still be reading).
wait_count() {
  for _ in $(seq 1 40); do
    [ "$(grep -c -- "$2" "$1" 2>/dev/null)" = "$3" ] && { sleep 0.2; [ "$(grep -c -- "$2" "$1")" = "$3" ]; return; }
    sleep 0.05
  done
  return 1
}

# No key or button may be left down by anything a script did.
nothing_held() {
  local h
  h=$("$build/bin/desk_window" --held)
  [ "$h" = "held 0 state 0" ] || fail "keys left down: $h"
}
