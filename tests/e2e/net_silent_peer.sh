#!/usr/bin/env bash
# LE #n on a connection that stays silent gives up after its 30 seconds with status 1 and
# what came of the line so far; the script then goes on.
source "$(dirname "$0")/net_common.bash" "$1"
start_server port line
write_script a.cmd \
  "conecta #1 \"127.0.0.1\" \"$port\"" 'le #1 a' 'le #1 a' 'le #1 a' \
  'escreve #1 "cala"' 'le #1 a' 'checa s' 'escreve "[" a "] " s' 'fecha #1' 'termina mudo'
start=$(date +%s)
run_script a.cmd
elapsed=$(($(date +%s) - start))
expect_screen '[] 1'
test "$elapsed" -ge 30 -a "$elapsed" -lt 50 || { echo "waited $elapsed s"; exit 1; }
