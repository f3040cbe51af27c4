#!/usr/bin/env bash
# The terminal console under tmux: a script's text drawn in the pane, keys typed into it,
# the terminal given back at the end, and SIGTERM ending the run with 255.
set -u
build=$(cd "${1:?build directory}" && pwd)
roteiral="$build/bin/roteiral"
if [ ! -x "$roteiral" ] || ! command -v tmux >/dev/null; then
  echo "skipped: needs $roteiral and tmux"
  exit 0
fi
work=$(mktemp -d)
sock="roteiral-e2e-$$"
trap 'tmux -L "$sock" kill-server 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/root/windows"
cp "$(dirname "$0")/../../data/ZUNAPE.INI" "$work/root/windows/ZUNAPE.INI"
"$(dirname "$0")/../scripts/lay-voice" "$work/root"
# Windows-1252 text, as scripts are written.
printf 'escreve "Ol\xe1 mundo"\r\nle $x\r\nescreve "lido"\r\n' >"$work/t.cmd"
cat >"$work/run.sh" <<RUN
#!/usr/bin/env bash
cd "$work"
sh -c 'echo \$\$ >"$work/pid"; exec env ROTEIRAL_ROOT="$work/root" ROTEIRAL_CONSOLE=terminal ROTEIRAL_AUDIO=null TERM=tmux-256color "$roteiral" t.cmd'
echo "EXIT=\$?"
stty -a | grep -o -- '-\?icanon' >"$work/stty"
sleep 60
RUN
chmod +x "$work/run.sh"

sess=t0
fail() { echo "FAIL: $*"; tmux -L "$sock" capture-pane -t "$sess" -p 2>/dev/null; exit 1; }
pane() { tmux -L "$sock" capture-pane -t "$sess" -p; }
wait_for() {  # pattern [seconds]
  for _ in $(seq 1 $(( ${2:-5} * 10 ))); do
    pane | grep -q -- "$1" && return 0
    sleep 0.1
  done
  return 1
}
restored() {  # the shell after the run found its terminal in canonical mode again
  for _ in $(seq 1 50); do
    [ -s "$work/stty" ] && break
    sleep 0.1
  done
  [ "$(cat "$work/stty" 2>/dev/null)" = "icanon" ]
}
runs=0
start() {  # a fresh session per run; a tmux server starting up can fail now and then: retried
  [ "$runs" -gt 0 ] && tmux -L "$sock" kill-session -t "$sess" 2>/dev/null
  runs=$((runs + 1))
  sess="t$runs"
  rm -f "$work/pid" "$work/stty"
  for _ in 1 2 3 4 5; do
    tmux -L "$sock" new-session -d -s "$sess" -x 100 -y 30 "$work/run.sh" 2>/dev/null && return 0
    sleep 0.3
  done
  fail "tmux did not start"
}

# Typing a line; Enter until the run ends (the script reads one line, an error report another).
start
wait_for "Olá mundo" || fail "text not shown"
tmux -L "$sock" send-keys -t "$sess" 'abc'
wait_for "^abc" || fail "typed keys not echoed"
row=$(( $(pane | grep -n "^abc" | head -1 | cut -d: -f1) - 1 ))
[ "$(tmux -L "$sock" display -p -t "$sess" '#{cursor_x},#{cursor_y}')" = "3,$row" ] || fail "cursor not after the echo"
for _ in 1 2 3; do
  tmux -L "$sock" send-keys -t "$sess" Enter
  wait_for "EXIT=" 2 && break
done
wait_for "EXIT=0" || fail "run did not end with 0"
restored || fail "terminal not restored"

# SIGTERM while waiting for a key.
start
wait_for "Olá mundo" || fail "text not shown (second run)"
kill -TERM "$(cat "$work/pid")"
wait_for "EXIT=255" || fail "SIGTERM did not end with 255"
restored || fail "terminal not restored after SIGTERM"
echo "ok"
