#!/usr/bin/env bash
# JANELA and CAPTURA on other programs' windows under a window manager.
source "$(dirname "$0")/desk_common.bash" "$1"
start_x wm
make_root
window a "Agenda Teste"
window b "Teste Final"
window long "" 10000

state_of() { xprop -id "$(cat "$work/$1.id")" _NET_WM_STATE WM_STATE 2>/dev/null; }

# A leading '*' anchors the pattern to the start of the title: only "Teste Final" starts
# with TESTE, though "Agenda Teste" is above it.
cat >"$work/minimiza.cmd" <<'CMD'
janela minimiza "*TESTE"
checa s
escreve "status " s
CMD
script minimiza
grep -q 'status 0' "$work/minimiza.screen" || fail "MINIMIZA did not succeed"
sleep 0.3
state_of b | grep -q HIDDEN || fail "Teste Final was not minimised"
state_of a | grep -q HIDDEN && fail "Agenda Teste was minimised"

# Lower case never matches (titles are compared in capitals): status 1, nothing done.
# A trailing '*' anchors the end.
cat >"$work/nomatch.cmd" <<'CMD'
janela minimiza "agenda"
checa s
escreve "minusculas " s
janela minimiza "AGENDA*"
checa s
escreve "fim " s
janela normal "FINAL*"
checa s
escreve "normal " s
CMD
script nomatch
grep -q 'minusculas 1' "$work/nomatch.screen" || fail "a lower-case pattern matched"
grep -q 'fim 1' "$work/nomatch.screen" || fail "AGENDA* matched a title that does not end with it"
grep -q 'normal 0' "$work/nomatch.screen" || fail "NORMAL did not find Teste Final"
sleep 0.3
state_of a | grep -q HIDDEN && fail "Agenda Teste was touched"
state_of b | grep -q HIDDEN && fail "NORMAL did not restore Teste Final"

# The window shown normally is in front: its title is what CAPTURA reads; a title of
# 10 000 characters is cut to 254, and a pattern past its first 143 never matches.
cat >"$work/captura.cmd" <<'CMD'
captura titulo $t
escreve "titulo " $t
CMD
script captura
grep -q 'titulo Teste Final' "$work/captura.screen" || fail "CAPTURA TITULO did not read the foreground title"
python3 - "$work/len.cmd" <<'PY'
import sys
open(sys.argv[1], "w", encoding="latin-1").write('janela normal "XXXXXXXXXX"\ncaptura t\xedtulo $t\nescreve $t\n'
                             'janela fecha "*' + 'X' * 144 + '"\ncheca s\nescreve "longo " s\n')
PY
script len
python3 - "$work/len.screen" <<'PY' || fail "the long title was not cut to 254 characters, or matched past 143"
import sys
rows = open(sys.argv[1], encoding="utf-8").read().split("\n")
xs = "".join(r for r in rows if set(r) == {"X"})
assert len(xs) == 254, len(xs)
assert "longo 1" in rows, rows
PY

# MAXIMIZA shows the window maximised and in front.
printf 'janela maximiza "AGENDA"\ncaptura ativa $t\nescreve "frente " $t\n' >"$work/maximiza.cmd"
script maximiza
grep -q 'frente Agenda Teste' "$work/maximiza.screen" || fail "MAXIMIZA did not bring Agenda Teste in front"
state_of a | grep -q MAXIMIZED_VERT || fail "Agenda Teste was not maximised"

# FECHA sends the close request the window answers.
printf 'janela fecha "AGENDA TESTE"\n' >"$work/fecha.cmd"
script fecha
[ "$(cat "$work/fecha.rc")" = 0 ] || fail "FECHA failed"
wait_for "$work/a.out" '^close' || fail "Agenda Teste got no close request"

# A window that has gone: the layer's every operation on it fails and nothing ends the
# program (the X error of a vanished window is ours to handle).
gone=$(cat "$work/b.id")
kill "$(cat "$work/b.pid")"
for _ in $(seq 1 100); do xwininfo -id "$gone" >/dev/null 2>&1 || break; sleep 0.05; done
"$build/bin/desk_probe" "$gone" >"$work/probe.out" 2>"$work/probe.err" || fail "desk_probe ended badly"
[ "$(tr '\n' ' ' <"$work/probe.out")" = "state 0 close 0 show 0 activate 0 frame 0 " ] ||
  fail "a gone window answered: $(cat "$work/probe.out")"

# Patterns of only '*' match the first window there is; an unknown action fails then.
printf 'janela pisca "**"\n' >"$work/acao.cmd"
script acao
grep -q 'Erro de execu' "$work/acao.screen" || fail "an unknown action did not fail"
echo ok
