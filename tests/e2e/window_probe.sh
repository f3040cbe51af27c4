#!/usr/bin/env bash
# The overlay bitmap and the clipboard on the window under Xvfb, driven through the
# console's operations by window_probe: the picture drawn over the text, a lying BMP
# leaving it as it was, a scaled one, removal; Windows-1252 to and from the desktop's
# UTF-8 clipboard with xclip.
source "$(dirname "$0")/window_common.bash"
start_x
make_root LARGURALETRA=8 ALTURALETRA=16
# 20 x 10, 8 bits with a 2-colour table: left half red, right half green, bottom-up; and
# one whose header claims 30000 x 30000 pixels in a 100-byte file.
python3 - "$work" <<'PY'
import struct, sys
w, h = 20, 10
table = bytes([0, 0, 255, 0, 0, 255, 0, 0])  # blue, green, red, 0: red then green
rows = b"".join(bytes([0] * 10 + [1] * 10) + b"\0" * 0 for _ in range(h))
off = 14 + 40 + len(table)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(rows), 0, 0, 2, 0)
open(sys.argv[1] + "/o.bmp", "wb").write(b"BM" + struct.pack("<IHHI", off + len(rows), 0, 0, off) + info + table + rows)
info = struct.pack("<IiiHHIIiiII", 40, 30000, 30000, 1, 24, 0, 0, 0, 0, 0, 0)
open(sys.argv[1] + "/lie.bmp", "wb").write((b"BM" + struct.pack("<IHHI", 100, 0, 0, 54) + info).ljust(100, b"\xff"))
PY
run p "$build/bin/window_probe" "overlay=$work/o.bmp@40,30" wait "overlay=$work/lie.bmp@0,0" wait \
  "overlay=$work/o.bmp@40,30*2" wait remove "put=Olá €" wait get wait
w=$(window_of sonda) || fail "no probe window"
focus "$w"
step() {  # the n-th "waiting", then a screenshot
  for _ in $(seq 1 100); do
    [ "$(grep -c '^waiting' "$work/p.out")" -ge "$1" ] && break
    sleep 0.05
  done
  [ "$(grep -c '^waiting' "$work/p.out")" -ge "$1" ] || fail "probe did not reach step $1: $(cat "$work/p.out")"
  shot "$w"
}
go_on() { xdotool key Return; }

step 1
[ "$(pixels at:45,35 at:55,35 at:70,35 | tr '\n' ' ')" = "255,0,0 0,255,0 0,0,255 " ] ||
  fail "overlay not drawn at 40,30: $(pixels at:45,35 at:55,35 at:70,35 | tr '\n' ' ')"
go_on
step 2
grep -q "overlay failed" "$work/p.out" || fail "a lying BMP was taken"
[ "$(pixels at:45,35 at:55,35 | tr '\n' ' ')" = "255,0,0 0,255,0 " ] || fail "a failed load changed the overlay"
go_on
step 3
[ "$(pixels at:55,35 at:75,45 at:85,35 | tr '\n' ' ')" = "255,0,0 0,255,0 0,0,255 " ] ||
  fail "overlay not drawn twice as large: $(pixels at:55,35 at:75,45 at:85,35 | tr '\n' ' ')"
go_on
step 4
[ "$(pixels at:45,35 at:75,45 | tr '\n' ' ')" = "0,0,255 0,0,255 " ] || fail "overlay not removed"
[ "$(xclip -o -selection clipboard)" = "Olá €" ] || fail "clipboard holds '$(xclip -o -selection clipboard)'"
printf 'Çà Ω' | xclip -i -selection clipboard 2>/dev/null
go_on
step 5
grep -qx "clip=Çà ?" "$work/p.out" || fail "clipboard read as: $(grep clip= "$work/p.out")"
close_window "$w"
[ "$(rc_of p)" = 0 ] || fail "probe did not end with 0 (rc $(rc_of p))"
echo "ok"
