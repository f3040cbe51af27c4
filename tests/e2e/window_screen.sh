#!/usr/bin/env bash
# The window under Xvfb: its size and limits, coloured text at known cells, the caret with
# the focus, the magnifier with the zoom of AMPLIF, and Ctrl+Break ending with 255.
source "$(dirname "$0")/window_common.bash"
start_x
make_root LARGURALETRA=10 ALTURALETRA=20 AMPLIF=3
printf 'cor 14\r\nfundo 1\r\nescreve "Amarelo"\r\ncor 4\r\nfundo 7\r\ntela @10,5\r\nescreve "X"\r\ncor 15\r\nfundo 0\r\nle $x\r\n' >"$work/t.cmd"
run t "$build/bin/roteiral" t.cmd
w=$(window_of t.cmd) || fail "no window titled t.cmd"
focus "$w"

# 80 x 25 cells of 10 x 20, started maximised (CANTOTELA=SIM) within those limits.
xdotool getwindowgeometry "$w" | grep -q "Geometry: 800x500" || fail "not 800x500: $(xdotool getwindowgeometry "$w")"
hints=$(xprop -id "$w" WM_NORMAL_HINTS _NET_WM_STATE)
grep -q "minimum size: 160 by 80" <<<"$hints" || fail "minimum size: $hints"
grep -q "maximum size: 800 by 500" <<<"$hints" || fail "maximum size: $hints"
grep -q "_NET_WM_STATE_MAXIMIZED_HORZ" <<<"$hints" || fail "not maximised: $hints"

shot "$w"
# Yellow on blue at cell (0,0); red on grey at column 10, row 5; black elsewhere; the
# caret (white on black) under the cursor, at row 6 after the last line.
read -r -a got < <(pixels at:0,19 at:9,0 count:0,0,10,20,255,255,0 at:90,80 count:90,80,10,20,255,0,0 \
  count:300,200,10,20,0,0,0 count:0,100,10,20,255,255,255 | tr '\n' ' ')
[ "${got[0]}" = 0,0,255 ] && [ "${got[1]}" = 0,0,255 ] || fail "cell 1,1 background: ${got[*]}"
[ "${got[2]}" -ge 3 ] || fail "no yellow text in cell 1,1: ${got[*]}"
[ "${got[3]}" = 192,192,192 ] && [ "${got[4]}" -ge 3 ] || fail "cell 10,5 is not red on grey: ${got[*]}"
[ "${got[5]}" = 200 ] || fail "blank cell not black: ${got[*]}"
[ "${got[6]}" -ge 10 ] || fail "no caret under the cursor: ${got[*]}"

# Without the focus the caret goes.
unfocus
shot "$w"
[ "$(pixels count:0,100,10,20,255,255,255)" = 0 ] || fail "caret shown without the focus"
focus "$w"

# Magnifier on the right button at (0,0), zoom 3: pixel (2,58) shows (0,19) of cell 1,1.
[ "$(pixels at:2,58)" = 0,0,0 ] || fail "row 3 not black before the magnifier"
xdotool mousemove --window "$w" 0 0 mousedown 3
shot "$w"
[ "$(pixels at:2,58)" = 0,0,255 ] || fail "magnifier does not zoom 3 times: $(pixels at:2,58)"
xdotool mouseup 3
shot "$w"
[ "$(pixels at:2,58)" = 0,0,0 ] || fail "the screen did not come back after the magnifier"

xdotool key ctrl+Break
[ "$(rc_of t)" = 255 ] || fail "Ctrl+Break did not end with 255 (rc $(rc_of t))"

# 40 lines in changing colours, drawn one by one: scrolling by copying pixels (LENTO)
# shows exactly what drawing every row again shows.
printf 'seja i 0\r\n@l\r\nsoma i 1\r\nseja j i\r\nsoma j 3\r\ncor i\r\nfundo j\r\nescreve i\r\nespera milisegundos 20\r\nse i < 40 desvia @l\r\nle $x\r\n' >"$work/s.cmd"
for lento in N S; do
  make_root LARGURALETRA=10 ALTURALETRA=20 LENTO=$lento
  rm -f "$work/log"
  ROTEIRAL_SPEECH_LOG="$work/log" run s "$build/bin/roteiral" s.cmd
  w=$(window_of s.cmd) || fail "no window titled s.cmd"
  focus "$w"
  wait_for "$work/log" "^text 40" || fail "the 40 lines were not written"
  shot "$w"
  cp "$work/shot.ppm" "$work/lento-$lento.ppm"
  xdotool key ctrl+Break
  [ "$(rc_of s)" = 255 ] || fail "scroll run did not end"
done
[ "$(pixels count:0,0,800,20,0,0,0)" -lt 16000 ] || fail "nothing drawn on the first row after scrolling"
cmp -s "$work/lento-N.ppm" "$work/lento-S.ppm" || fail "scrolling by copy differs from drawing again"
echo "ok"
