#!/usr/bin/env bash
# DIGITA of every byte 1-255: every character the code page has arrives in the window as
# typed (controls go as Ctrl+letter and leave no text), and no key stays down.
source "$(dirname "$0")/desk_common.bash" "$1"
start_x wm
make_root
window w "Todos os bytes"
cat >"$work/bytes.cmd" <<'CMD'
seja n 1
seja $t ""
enquanto n < 256
  seja $k "#"
  concatena $k n
  seja $c chr $k
  concatena $t $c
  soma n 1
fim enquanto
seja $n tamanho $t
escreve "tamanho " $n
digita $t &
digita "fim"
CMD
script bytes
[ "$(cat "$work/bytes.rc")" = 0 ] || fail "the script failed"
grep -qx 'tamanho 255' "$work/bytes.screen" || fail "the script did not build 255 bytes"
grep -q 'Erro' "$work/bytes.screen" && fail "DIGITA failed"
wait_for "$work/w.out" '^text ' || fail "no text came back"
python3 - "$work/w.out" <<'PY' || fail "the window read back other text"
import sys
undefined = {0x81, 0x8D, 0x8F, 0x90, 0x9D}
want = "".join(bytes([b]).decode("cp1252") for b in range(32, 256) if b != 127 and b not in undefined) + "fim"
got = [l[5:].rstrip("\n") for l in open(sys.argv[1], encoding="utf-8") if l.startswith("text ")]
assert got == [want], (got, want)
PY
nothing_held
echo ok
