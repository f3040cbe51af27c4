#!/usr/bin/env bash
# TRANSFERE through the desktop clipboard, both ways, with xclip on the other side.
source "$(dirname "$0")/desk_common.bash" "$1"
start_x
make_root
command -v xclip >/dev/null || fail "xclip is missing (scripts/install-deps installs it)"

# The script puts an accented text on the clipboard and waits for a line; meanwhile xclip
# reads it. Then xclip puts a long text there and the script takes it back, cut to 254.
iconv -f UTF-8 -t WINDOWS-1252 >"$work/transfere.cmd" <<'CMD'
seja $t "Olá, ação"
transfere de $t
le $nada
transfere para $volta
escreve "volta " $volta
copia $fim $volta 250 260
escreve "fim " $fim
CMD
mkfifo "$work/keys"
(cd "$work" && ROTEIRAL_ROOT="$work/root" ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=null \
   ROTEIRAL_SCREEN="$work/t.screen" timeout 60 "$build/bin/roteiral" transfere.cmd \
   <"$work/keys" >"$work/t.out" 2>"$work/t.err"; echo $? >"$work/t.rc") &
pids+=($!)
exec 4>"$work/keys"
got=""
for _ in $(seq 1 100); do
  got=$(timeout 2 xclip -o -selection clipboard 2>/dev/null) && [ -n "$got" ] && break
  sleep 0.1
done
[ "$got" = "Olá, ação" ] || fail "xclip read '$got' from the clipboard"
python3 -c 'print("é" + "y" * 300, end="")' | xclip -i -selection clipboard 2>/dev/null
for _ in $(seq 1 100); do
  timeout 2 xclip -o -selection clipboard 2>/dev/null | grep -q '^éy' && break
  sleep 0.1
done
printf '\r' >&4
exec 4>&-
for _ in $(seq 1 200); do [ -s "$work/t.rc" ] && break; sleep 0.05; done
[ "$(cat "$work/t.rc")" = 0 ] || fail "the script failed"
grep -q '^volta éyyy' "$work/t.screen" || fail "TRANSFERE PARA did not take xclip's text"
grep -qx 'fim yyyyy' "$work/t.screen" || fail "the clipboard text was not cut to 254 characters"
echo ok
