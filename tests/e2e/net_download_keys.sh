#!/usr/bin/env bash
# Keys during a 2 MiB download, typed by the server when half of it is sent: Enter speaks
# the progress and the file name, Escape then N goes on, Escape then S stops and leaves no
# target behind, the space bar turns the sound feedback off.
source "$(dirname "$0")/net_common.bash" "$1"
mkfifo keys
exec 3<>keys  # the test holds both ends, so neither side blocks opening it
start_server port http "$work/requests.log" "$work/keys"
u="http://127.0.0.1:$port"
python3 -B -c '
import sys; sys.path.insert(0, sys.argv[1]); import net_server as s
open("grande.want", "wb").write(s.pattern(2 << 20))
' "$here"
write_script a.cmd \
  "trazdarede \"$u/grande/0d\" \"grande.bin\" \"0\" \"\" v" 'escreve "enter " v' \
  "trazdarede \"$u/grande/1b1b6e\" \"segue.bin\" \"0\" \"\" v" 'escreve "segue " v' \
  "trazdarede \"$u/grande/1b1b53\" \"parado.bin\" \"0\" \"\" v" 'escreve "parado " v' \
  'termina mudo'
run_script a.cmd keys
expect_screen 'enter 0' 'Deseja parar o download?' 'n' 'segue 0' 'Deseja parar o download?' 'S' \
  'O download foi interrompido.' 'parado 1'
cmp grande.want grande.bin
cmp grande.want segue.bin
test ! -e parado.bin
# The report of 1 MiB and one block of 2 MiB, then the file name; nothing else is said
# during a transfer without sound feedback.
grep '^text' speech | head -2 | diff - <(printf 'text 50%% de 2MB;1000 KB recebidos aproximadamente\ntext grande.bin\n')
if grep -q -x -e beep -e click speech; then echo "sound without feedback"; exit 1; fi

write_script b.cmd "trazdarede \"$u/grande/20\" \"som.bin\" \"1\" \"\" v" 'escreve "som " v' 'termina mudo'
run_script b.cmd keys
expect_screen 'som 0'
cmp grande.want som.bin
# A beep before each block and a click after it, up to the block that took the space.
test "$(grep -c -x beep speech)" = 1025
test "$(grep -c -x click speech)" = 1025
