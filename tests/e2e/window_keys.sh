#!/usr/bin/env bash
# Keys typed into the window under Xvfb: braille chords of mode 1 from real key-down and
# key-up, the end title with the window kept until it is closed (exit 0, Ctrl+Break no
# longer counting), and plain typing with special keys ended by Alt+F4.
source "$(dirname "$0")/window_common.bash"
start_x

# Mode 1: F+D gives b, F gives a, the space bar alone a blank, F+J gives c.
make_root LARGURALETRA=8 ALTURALETRA=16 CANTOTELA=NAO MODO=1
printf 'le $x\r\nescreve $x\r\n' >"$work/b.cmd"
ROTEIRAL_SPEECH_LOG="$work/log" ROTEIRAL_SCREEN="$work/screen" run b "$build/bin/roteiral" b.cmd
w=$(window_of b.cmd) || fail "no window titled b.cmd"
xprop -id "$w" _NET_WM_STATE | grep -q MAXIMIZED && fail "maximised with CANTOTELA=NAO"
wait_for "$work/log" "tone 1600" || fail "mode 1 tones not sounded"
focus "$w"
xdotool keydown f keydown d keyup d keyup f
xdotool keydown f keyup f
xdotool keydown space keyup space
xdotool keydown f keydown j keyup f keyup j
xdotool key Return
for _ in $(seq 1 100); do
  [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "Programa terminado" ] && break
  sleep 0.05
done
[ "$(xdotool getwindowname "$w")" = "Programa terminado" ] || fail "no end title"
diff <(printf 'ba c\nba c\nFim do script\n') "$work/screen" || fail "chords typed wrong"
xdotool key ctrl+Break
sleep 0.3
[ -s "$work/b.rc" ] && fail "the ended program's window did not wait to be closed (rc $(cat "$work/b.rc"))"
close_window "$w"
[ "$(rc_of b)" = 0 ] || fail "closing the window did not end with 0 (rc $(rc_of b))"

# TELA MINIMIZADA hides the window and TELA NORMAL brings it back. Mode 0: letters as
# typed, Up ends a line, an accented letter; Alt+F4 ends with 0 inside the next line.
make_root LARGURALETRA=8 ALTURALETRA=16 MODO=0
printf 'tela minimizada\r\nespera milisegundos 800\r\ntela normal\r\nle $x\r\nescreve $x\r\nle $y\r\nescreve "nunca"\r\n' >"$work/k.cmd"
ROTEIRAL_SCREEN="$work/screen" run k "$build/bin/roteiral" k.cmd
w=$(window_of k.cmd) || fail "no window titled k.cmd"
map_state() { xwininfo -id "$w" | sed -n 's/.*Map State: //p'; }
for want in IsUnMapped IsViewable; do
  for _ in $(seq 1 60); do
    [ "$(map_state)" = "$want" ] && break
    sleep 0.05
  done
  [ "$(map_state)" = "$want" ] || fail "window not $want after TELA: $(map_state)"
done
focus "$w"
xdotool type --delay 20 'ab'
xdotool key Up shift+a
xdotool type --delay 20 'é'
sleep 0.3
xdotool key alt+F4
[ "$(rc_of k)" = 0 ] || fail "Alt+F4 did not end with 0 (rc $(rc_of k))"
diff <(printf 'ab\nab\nAé\n') "$work/screen" || fail "typed keys wrong"
# A window system that refuses the window: headless instead, said once on standard error.
printf 'escreve "sem janela"\r\n' >"$work/f.cmd"
(cd "$work" && SDL_VIDEODRIVER=nenhum ROTEIRAL_ROOT="$work/root" ROTEIRAL_CONSOLE=window ROTEIRAL_AUDIO=null \
  timeout 20 "$build/bin/roteiral" f.cmd </dev/null >"$work/f.out" 2>"$work/f.err") || fail "fallback run failed"
grep -q "sem janela" "$work/f.out" || fail "no headless output: $(cat "$work/f.out")"
[ "$(grep -c . "$work/f.err")" = 1 ] && grep -q "não abriu" "$work/f.err" || fail "fallback not said once: $(cat "$work/f.err")"
echo "ok"
