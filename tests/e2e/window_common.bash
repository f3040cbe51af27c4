# Shared by the window tests: an Xvfb of their own, runs in the background, screenshots.
# Sourced with the build folder as $1; defines $work, $build, $here and the helpers below.
set -u
build=$(cd "${1:?build directory}" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
# Under the sanitizers: libdbus keeps its static data (SDL opens the session bus) until a
# dbus_shutdown nobody may call while others could still use the bus.
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
pids=()
xvfb_pid=""
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  local e
  for e in "$work"/*.err; do [ -s "$e" ] && { echo "== $e"; cat "$e"; }; done
  exit 1
}

# Xvfb picks a free display itself and tells it on a descriptor; no Xvfb: skipped.
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
  for tool in xdotool import convert python3 xclip; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps installs it)"
  done
}

# A family root with the default profile and the given VIDEO and BRAILLE changes (KEY=VALUE).
make_root() {
  mkdir -p "$work/root/windows"
  local ini="$work/root/windows/ZUNAPE.INI"
  cp "$here/../../data/ZUNAPE.INI" "$ini"
  local kv
  for kv in "$@"; do
    local key=${kv%%=*}
    sed -i "/^$key=/d" "$ini"
    if [ "$key" = MODO ]; then sed -i "/^\[BRAILLE\]/a $kv" "$ini"; else sed -i "/^\[VIDEO\]/a $kv" "$ini"; fi
  done
  "$here/../scripts/lay-voice" "$work/root"
}

# run NAME COMMAND...: in the background, in the window; rc in $work/NAME.rc.
run() {
  local name=$1
  shift
  rm -f "$work/$name.rc"
  (cd "$work" && ROTEIRAL_ROOT="$work/root" ROTEIRAL_CONSOLE=window ROTEIRAL_AUDIO=null \
     timeout 60 "$@" >"$work/$name.out" 2>"$work/$name.err"; echo $? >"$work/$name.rc") &
  pids+=($!)
}

# window_of TITLE: the id of the window with that title, once it is there.
window_of() {
  local id
  for _ in $(seq 1 400); do
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.05
  done
  return 1
}

# wait_for FILE PATTERN: until the file holds a line matching it.
wait_for() {
  for _ in $(seq 1 400); do
    grep -q -- "$2" "$1" 2>/dev/null && return 0
    sleep 0.05
  done
  return 1
}

# rc_of NAME: the exit code, once the run has ended (empty after 20 s).
rc_of() {
  for _ in $(seq 1 400); do
    [ -s "$work/$1.rc" ] && { cat "$work/$1.rc"; return 0; }
    sleep 0.05
  done
  echo ""
}

# The window's pixels as a PPM, then questions about them (window_pixels.py).
shot() { sleep 0.2; import -window "$1" -depth 8 "$work/shot.ppm" || fail "no screenshot"; }
pixels() { python3 "$here/window_pixels.py" "$work/shot.ppm" "$@"; }
close_window() { python3 "$here/window_x.py" close "$1"; }
unfocus() { python3 "$here/window_x.py" unfocus; sleep 0.2; }
focus() { xdotool windowfocus --sync "$1"; sleep 0.1; }
