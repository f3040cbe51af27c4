#!/usr/bin/env bash
# The console on a braille display: a BRLTTY daemon with its TTY driver draws the display
# in a tmux pane of ours, so what the display shows can be read back. The row under the
# caret is shown and follows the script; the display's arrow keys pan; a key typed on the
# display's keyboard reaches the script; a daemon that dies leaves the script running.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
sock="roteiral-brl-$$"
api=$((40 + $$ % 200))
cleanup() {
  [ -n "${brl_pid:-}" ] && kill "$brl_pid" 2>/dev/null || true
  [ -n "${run_pid:-}" ] && kill "$run_pid" 2>/dev/null || true
  exec 7>&- 2>/dev/null || true
  tmux -L "$sock" kill-server 2>/dev/null || true
  rm -f "/var/lib/BrlAPI/$api"
  rm -rf "$work"
}
trap cleanup EXIT

tmux -L "$sock" new-session -d -x 100 -y 6 'sleep 600'
tty=$(tmux -L "$sock" display -p '#{pane_tty}')
display() { tmux -L "$sock" capture-pane -p | head -1 | sed 's/ *$//'; }
wait_display() {  # text: until the display's first line is exactly that
  for _ in $(seq 100); do [ "$(display)" = "$1" ] && return 0; sleep 0.1; done
  echo "the display shows '$(display)', not '$1'"; return 1
}

start_daemon() {
  brltty -n -q -b tt -d "$tty" -Bcolumns=40 -Aauth=none,host=:$api -x no -s no \
    -f /dev/null >"$work/brltty.log" 2>&1 &
  brl_pid=$!
  # Ready once its socket is there and the display says that no client has it yet.
  for _ in $(seq 100); do
    [ -S "/var/lib/BrlAPI/$api" ] && [ "$(display)" = "no screen" ] && return 0
    sleep 0.1
  done
  echo "the daemon did not start"; cat "$work/brltty.log"; return 1
}
start_daemon

cat >"$work/b.cmd" <<'CMD'
escreve "Olá, braille! Uma linha que passa de quarenta colunas."&
le $x &
escreve
escreve "veio "$x&
le
escreve
escreve "fim"&
le
CMD
mkfifo "$work/keys"
BRLAPI_HOST=:$api ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=null ROTEIRAL_SCREEN="$work/screen" \
  timeout 120 "$build/bin/roteiral" "$work/b.cmd" <"$work/keys" >/dev/null 2>"$work/err" &
run_pid=$!
exec 7>"$work/keys"

# The caret ends the long row: the display shows the window of 40 cells that holds it.
wait_display "renta colunas."
tmux -L "$sock" send-keys Left        # pan left along the row
wait_display "Olá, braille! Uma linha que passa de qua"
tmux -L "$sock" send-keys Down        # the row below, empty
wait_display ""
tmux -L "$sock" send-keys Up
wait_display "Olá, braille! Uma linha que passa de qua"
# A key typed on the display's own keyboard is read by the script, and the display
# follows the caret again.
tmux -L "$sock" send-keys z
wait_display "veio z"
printf '\n' >&7
wait_display "fim"

# The daemon goes away: the script goes on to its end.
kill "$brl_pid"; wait "$brl_pid" 2>/dev/null || true; brl_pid=
printf '\n' >&7
exec 7>&-
wait "$run_pid"; run_pid=
grep -qxF 'veio z' "$work/screen"
grep -qxF 'Fim do script' "$work/screen"

# No daemon: nothing changes, and one line on standard error only when asked for.
printf 'escreve "sem linha"\r\n' >"$work/c.cmd"
BRLAPI_HOST=:$api ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=null timeout 30 \
  "$build/bin/roteiral" "$work/c.cmd" </dev/null >/dev/null 2>"$work/quiet.err"
[ ! -s "$work/quiet.err" ]
BRLAPI_HOST=:$api ROTEIRAL_BRAILLE=1 ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=null timeout 30 \
  "$build/bin/roteiral" "$work/c.cmd" </dev/null >/dev/null 2>"$work/asked.err"
[ "$(grep -c . "$work/asked.err")" = 1 ] && grep -q 'braille' "$work/asked.err"
echo ok
