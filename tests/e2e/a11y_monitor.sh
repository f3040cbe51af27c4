#!/usr/bin/env bash
# MSAA against a GTK window under Xvfb, with a session bus and an accessibility bus of the
# test's own: focus moved by keys, the objects' descriptions, the object at a point, a
# burst of 150 focus changes between two reads, objects that vanish, a bus that dies.
source "$(dirname "$0")/window_common.bash"
start_x
make_root
command -v dbus-daemon >/dev/null || fail "dbus-daemon is missing (scripts/install-deps installs dbus)"
launcher=/usr/libexec/at-spi-bus-launcher
[ -x "$launcher" ] || fail "$launcher is missing (scripts/install-deps installs at-spi2-core)"
[ -x "$build/bin/a11y_window" ] || fail "no a11y_window in $build/bin"
export LSAN_OPTIONS="$LSAN_OPTIONS:suppressions=$here/a11y_lsan.supp"

# No bus at all: every form goes through, reading nothing.
printf 'msaa monitora\r\nmsaa checa x\r\nmsaa captura 10 10\r\nmsaa nome n\r\nmsaa codigo c\r\nmsaa fim\r\nescreve mudo "x=" x " n=[" n "] c=" c\r\n' >"$work/n.cmd"
(cd "$work" && env -u DISPLAY DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" ROTEIRAL_ROOT="$work/root" \
   ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=null timeout 20 "$build/bin/roteiral" n.cmd </dev/null >"$work/n.out" 2>"$work/n.err")
grep -qx "x=0 n=\[\] c=0" "$work/n.out" || fail "without a bus: $(cat "$work/n.out")"

# The session bus; the accessibility bus comes from the launcher, its registry from the bus.
dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$work/bus" 2>"$work/dbus.err" &
bus_pid=$!
for _ in $(seq 1 50); do [ -s "$work/bus" ] && break; sleep 0.1; done
[ -s "$work/bus" ] || fail "the session bus did not start"
export DBUS_SESSION_BUS_ADDRESS=$(head -1 "$work/bus")
"$launcher" --launch-immediately >"$work/launcher.out" 2>"$work/launcher.err" &
launcher_pid=$!
# Ended in this order: the programs, the launcher (and its bus), the session bus, Xvfb.
stop_buses() {
  kill "$launcher_pid" 2>/dev/null; wait "$launcher_pid" 2>/dev/null
  kill "$bus_pid" 2>/dev/null; wait "$bus_pid" 2>/dev/null
}
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; stop_buses; cleanup' EXIT
sleep 0.5

# The window, in the C locale so that role texts are the bus's own words.
LC_ALL=C.UTF-8 LANGUAGE= "$build/bin/a11y_window" >"$work/app.out" 2>"$work/app.err" &
app_pid=$!
pids+=("$app_pid")
wait_for "$work/app.out" "^ready" || fail "the GTK window did not come up"
read -r _ _ send_x send_y < <(grep "^at Enviar " "$work/app.out")
read -r _ _ off_x off_y < <(grep "^at Desligado " "$work/app.out")
app_win=$(window_of "Janela de teste") || fail "no window titled Janela de teste"

cat >"$work/m.cmd" <<'CMD'
msaa checa x
escreve mudo "antes " x
msaa monitora
escreve mudo "pronto 1"
le $p
chama @eventos
le $x
le $y
msaa captura $x $y
chama @descreve
le $x
le $y
msaa captura $x $y
chama @descreve
escreve mudo "pronto 2"
le $p
seja k 0
seja f ""
seja l ""
@rajada
msaa checa x
se x = 0 desvia @contada
soma k 1
msaa nome l
se k = 1 seja f l
desvia @rajada
@contada
escreve mudo "rajada " k " " f " " l
escreve mudo "pronto 3"
le $p
msaa checa x
msaa nome n
seja t tamanho n
escreve mudo "grande " x " " t
msaa checa x
escreve mudo "sumiu " x
msaa fim
escreve mudo "pronto 4"
le $p
msaa monitora
msaa checa x
escreve mudo "sem barramento " x
msaa captura $x $y
msaa nome n
escreve mudo "captura sem barramento [" n "]"
termina mudo
@eventos
msaa checa x
se x = 0 retorna
chama @descreve
desvia @eventos
@descreve
msaa nome n
msaa codigo c
msaa tipo t
msaa estado e
msaa valor v
msaa area a b w h
escreve mudo "obj " n "|" c "|" t "|" e "|" v "|" a "|" b "|" w "|" h
retorna
CMD
mkfifo "$work/keys"
(cd "$work" && ROTEIRAL_ROOT="$work/root" ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=null \
   timeout 60 "$build/bin/roteiral" m.cmd <"$work/keys" >"$work/m.out" 2>"$work/m.err"; echo $? >"$work/m.rc") &
pids+=($!)
exec 5>"$work/keys"
enter() { printf '%s\r' "$@" >&5; }

wait_for "$work/m.out" "^pronto 1" || fail "the script did not start: $(cat "$work/m.out")"
grep -q "^antes 0" "$work/m.out" || fail "CHECA before MONITORA: $(cat "$work/m.out")"
sleep 0.5  # the window's program hears of the new listener
xdotool windowfocus --sync "$app_win"
sleep 0.3
for _ in 1 2 3; do xdotool key Tab; sleep 0.2; done
enter "" "$send_x" "$send_y" "$off_x" "$off_y"
wait_for "$work/m.out" "^pronto 2" || fail "no events described: $(cat "$work/m.out")"

out=$(cat "$work/m.out")
grep -qx "obj Aceito|44|check box|marcado||.*" <<<"$out" || fail "check box: $out"
grep -qx "obj Volume|51|slider||42|.*" <<<"$out" || fail "slider: $out"
grep -qx "obj Nome|42|text||João € ?|.*" <<<"$out" || fail "text field: $out"
grep -qx "obj Janela de teste|9|frame|.*" <<<"$out" || fail "the window's activation: $out"
# The object at the button's centre, its area around that point; the disabled checked box.
cap=$(grep "^obj Enviar|43|push button|||" <<<"$out" | tail -1)
[ -n "$cap" ] || fail "CAPTURA on the button: $out"
IFS='|' read -r _ _ _ _ _ l t w h <<<"$cap"
[ "$send_x" -ge "$l" ] && [ "$send_x" -lt $((l + w)) ] && [ "$send_y" -ge "$t" ] && [ "$send_y" -lt $((t + h)) ] ||
  fail "the button's area $l,$t,$w,$h does not hold $send_x,$send_y"
grep -qx "obj Desligado|44|check box|indisponível||.*" <<<"$out" || fail "disabled box: $out"

# 150 focus changes between two reads: the oldest 50 are lost, the newest 100 are there.
kill -USR1 "$app_pid"
wait_for "$work/app.out" "^burst done" || fail "no burst"
sleep 1.5  # all 150 reach the script's end of the bus before it reads any
enter ""
wait_for "$work/m.out" "^pronto 3" || fail "the burst was not read: $(cat "$work/m.out")"
grep -qx "rajada 100 n051 n150" "$work/m.out" || fail "burst: $(grep rajada "$work/m.out")"

# A name of 100 KB is cut; an object destroyed before it is read gives 0.
kill -USR2 "$app_pid"
wait_for "$work/app.out" "^gone" || fail "the vanishing button did not go"
enter ""
wait_for "$work/m.out" "^pronto 4" || fail "after the vanishing: $(cat "$work/m.out")"
grep -qx "grande 1 65535" "$work/m.out" || fail "long name: $(grep grande "$work/m.out")"
grep -qx "sumiu 0" "$work/m.out" || fail "vanished object: $(grep sumiu "$work/m.out")"

# The accessibility bus dies: the script goes on, reading nothing.
kill "$launcher_pid"
wait "$launcher_pid" 2>/dev/null
sleep 0.5
enter ""
[ "$(rc_of m)" = 0 ] || fail "the run did not end well (rc $(rc_of m)): $(cat "$work/m.out")"
grep -qx "sem barramento 0" "$work/m.out" || fail "CHECA without the bus: $(cat "$work/m.out")"
grep -qx "captura sem barramento \[.*\]" "$work/m.out" || fail "CAPTURA without the bus: $(cat "$work/m.out")"
exec 5>&-
echo "ok"
