#!/usr/bin/env bash
# IMAGEM in the window under Xvfb: a BMP and a JPEG drawn at their pixel positions, one
# replacing the other, removal, missing files with and without '&', and no temporary
# bitmap left behind.
source "$(dirname "$0")/window_common.bash"
start_x
make_root LARGURALETRA=10 ALTURALETRA=20
mkdir -p "$work/tmp"
convert -size 40x30 xc:'#FF0000' BMP3:"$work/vermelho.bmp" || fail "no BMP made"
convert -size 40x30 xc:'#00FF00' -quality 100 "$work/verde.JPG" || fail "no JPEG made"
cat >"$work/i.cmd" <<'CMD'
imagem "vermelho.bmp" 100 60
escreve "um"
le $p
imagem "verde.JPG" 300 120
escreve "dois"
le $p
imagem
escreve "tres"
le $p
imagem "falta.bmp" &
escreve "tolerante"
imagem "falta.bmp"
escreve "nunca"
CMD
TMPDIR="$work/tmp" ROTEIRAL_SPEECH_LOG="$work/log" run i "$build/bin/roteiral" i.cmd
w=$(window_of i.cmd) || fail "no window titled i.cmd"
focus "$w"

# near R,G,B WANT: each channel within 16 of the wanted one.
near() {
  python3 -c 'import sys; a=[int(v) for v in sys.argv[1].split(",")]; b=[int(v) for v in sys.argv[2].split(",")]; sys.exit(0 if all(abs(x-y)<=16 for x,y in zip(a,b)) else 1)' "$1" "$2"
}

wait_for "$work/log" "^text um" || fail "the script did not start"
shot "$w"
read -r -a got < <(pixels count:100,60,40,30,255,0,0 at:99,75 at:140,75 at:320,135 | tr '\n' ' ')
[ "${got[0]}" = 1200 ] || fail "the BMP does not cover 40 x 30 pixels at 100,60: ${got[*]}"
[ "${got[1]}" = 0,0,0 ] && [ "${got[2]}" = 0,0,0 ] || fail "the BMP spills out of its place: ${got[*]}"
[ "${got[3]}" = 0,0,0 ] || fail "something at the JPEG's place already: ${got[*]}"

xdotool key Return
wait_for "$work/log" "^text dois" || fail "no second picture"
shot "$w"
read -r -a got < <(pixels at:320,135 at:300,120 at:339,149 at:120,75 at:299,135 | tr '\n' ' ')
for i in 0 1 2; do near "${got[$i]}" 0,255,0 || fail "the JPEG is not green at its place: ${got[*]}"; done
[ "${got[3]}" = 0,0,0 ] || fail "the BMP was not replaced: ${got[*]}"
[ "${got[4]}" = 0,0,0 ] || fail "the JPEG spills out of its place: ${got[*]}"
[ -z "$(ls -A "$work/tmp")" ] || fail "temporary files left: $(ls -A "$work/tmp")"

xdotool key Return
wait_for "$work/log" "^text tres" || fail "no removal"
shot "$w"
[ "$(pixels count:300,120,40,30,0,0,0)" = 1200 ] || fail "the picture was not removed"

xdotool key Return
wait_for "$work/log" "Erro de execu" || fail "a missing BMP without & did not fail: $(cat "$work/log")"
grep -q "^text tolerante" "$work/log" || fail "a missing BMP with & stopped the script"
grep -q "^text nunca" "$work/log" && fail "the script went on after the missing BMP"
grep -qx "text 12" "$work/log" || fail "the error is not on line 12: $(tail -5 "$work/log")"
xdotool key Return
close_window "$w"
[ "$(rc_of i)" = 0 ] || fail "the run did not end with 0 (rc $(rc_of i))"
[ -z "$(ls -A "$work/tmp")" ] || fail "temporary files left: $(ls -A "$work/tmp")"
echo "ok"
