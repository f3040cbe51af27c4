#!/usr/bin/env bash
# Typing, keys and clicks reach another program's window, which reports what it got.
source "$(dirname "$0")/desk_common.bash" "$1"
start_x wm
make_root
window w "Janela de teste"

# Typing: an accented text reads back exactly, the Enter at the end included.
printf 'digita "a\xe7\xe3o"\n' >"$work/digita.cmd"
script digita
[ "$(cat "$work/digita.rc")" = 0 ] || fail "DIGITA failed"
grep -qx 'text ação' "$work/w.out" || fail "the window did not read back ação"

# The prefixes in their order press Shift and Ctrl with the key; the other order fails
# and sends nothing; a capital letter alone is its letter key without Shift.
: >"$work/w.out"
printf 'aciona "CTRL+SHIFT+ESC"\naciona "A"\naciona "#66"\naciona "SHIFT+CTRL+ESC"\nescreve "nunca"\n' >"$work/aciona.cmd"
script aciona
grep -q 'Erro de execu' "$work/aciona.screen" || fail "the wrong prefix order did not fail"
grep -q nunca "$work/aciona.screen" && fail "the script went on after the wrong order"
wait_count "$work/w.out" '^key Escape' 1 || fail "Escape not seen exactly once"
grep -qx 'key Escape 5' "$work/w.out" || fail "Escape without Shift and Ctrl"
grep -qx 'key a 0' "$work/w.out" || fail "ACIONA A did not press the letter key alone"
grep -qx 'key b 0' "$work/w.out" || fail "ACIONA #66 did not press B"
nothing_held

# A double click at a screen point is seen there by the window.
: >"$work/w.out"
printf 'clica duplo tela 100, 200\nclica nulo tela 999999, -999999\nle mouse tela x y\nescreve "rato " x " " y\n' >"$work/clica.cmd"
script clica
[ "$(cat "$work/clica.rc")" = 0 ] || fail "CLICA failed"
wait_count "$work/w.out" '^button 1 100 200$' 2 || fail "the double click was not seen at 100, 200"
grep -q 'rato 1279 0' "$work/clica.screen" || fail "a move far off screen did not stop at its edge"
nothing_held

# Window coordinates start at the foreground window's frame: its left edge plus the side
# of the frame, its top edge plus 4.
id=$(cat "$work/w.id")
read -r left _ top _ < <(xprop -id "$id" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
ax=$(xwininfo -id "$id" | sed -n 's/.*Absolute upper-left X: *//p')
ay=$(xwininfo -id "$id" | sed -n 's/.*Absolute upper-left Y: *//p')
: >"$work/w.out"
printf 'clica 10, 40\nle mouse x y\nescreve "rato " x " " y\n' >"$work/janela.cmd"
script janela
want="button 1 $((ax + 10)) $((ay - top + 44))"
wait_count "$work/w.out" "^$want\$" 1 || fail "a click in window coordinates was not seen as $want"
grep -qx 'rato 10 40' "$work/janela.screen" || fail "LE MOUSE did not give window coordinates back"

# Num Lock flips its state each time and the key itself never reaches the window.
before=$("$build/bin/desk_window" --numlock)
: >"$work/w.out"
printf 'aciona "#144"\n' >"$work/numlock.cmd"
script numlock
after=$("$build/bin/desk_window" --numlock)
[ "$before" != "$after" ] || fail "Num Lock stayed at '$before'"
script numlock
[ "$("$build/bin/desk_window" --numlock)" = "$before" ] || fail "Num Lock did not flip back"
grep -q Num_Lock "$work/w.out" && fail "the Num Lock key was sent"

# Key names that do not exist and codes out of range fail, leaving nothing held.
printf 'aciona "NAOEXISTE"\n' >"$work/nome.cmd"
printf 'aciona "CTRL+#999"\n' >"$work/codigo.cmd"
script nome
script codigo
grep -q 'Erro de execu.*linha 1' "$work/nome.screen" || fail "an unknown key name did not fail"
grep -q 'Erro de execu.*linha 1' "$work/codigo.screen" || fail "a code out of range did not fail"
nothing_held
echo ok
