#!/usr/bin/env bash
# cmd /c: redirections, exit status, and the command lines it refuses without touching files.
set -uo pipefail
build=$1
cmd="$build/libexec/cmd"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail=0
check() { if [ "$1" != "$2" ]; then echo "$3: got [$1], expected [$2]"; fail=1; fi; }
notfound=$(printf "'nada_tal' n\xe3o \xe9 reconhecido como um comando interno ou externo, um programa oper\xe1vel ou um arquivo em lotes.\r")

"$cmd" /c sh -c 'exit 3'; check $? 3 "exit status passes through"
"$cmd" /C 'sh -c "echo um; echo dois >&2" >saida.txt 2>&1'; check $? 0 "whole line"
check "$(cat saida.txt)" $'um\ndois' "2>&1 after >"
"$cmd" /c sh -c 'echo tres >&2' '2>>saida.txt' '1>nada.txt'
check "$(cat saida.txt)" $'um\ndois\ntres' "2>> appends"
"$cmd" /c 'cat <saida.txt >"com espaco.txt"'; check "$(cat 'com espaco.txt')" $'um\ndois\ntres' "< and a quoted name"
"$cmd" /c cat '<saida.txt' '>>com espaco.txt'  # words split already: the name had quotes
check "$(cat 'com espaco.txt')" $'um\ndois\ntres\num\ndois\ntres' "a split >> with a blank"
mkdir sub
"$cmd" /c 'echo barra >sub\x.txt'; check "$(cat sub/x.txt)" barra "backslash in a redirection"
mkdir bin && printf '#!/bin/sh\necho ferramenta "$@"\n' >bin/tool && chmod +x bin/tool
ROTEIRAL_ROOT="$work" "$cmd" /c 'c:\BIN\tool "a b" >t.txt'; check "$(cat t.txt)" "ferramenta a b" "drive path program"

# A program that does not exist: 9009 (a parent sees 49), the message where stderr goes,
# and a > file keeps what it had.
printf 'antigo\n' >log.txt
"$cmd" /c nada_tal '>log.txt' '2>&1'; check $? 49 "missing program status"
check "$(cat log.txt)" "antigo
$notfound" "missing program message appended, file kept"
check "$("$cmd" /c nada_tal 2>&1 >/dev/null)" "$notfound" "missing program message on stderr"

# Refused lines change nothing.
printf 'antes\n' >guarda.txt
err=$("$cmd" /c 'echo "abc >guarda.txt' 2>&1); check $? 1 "unbalanced quotes status"
[ -n "$err" ] || { echo "unbalanced quotes: no message"; fail=1; }
"$cmd" /c 'echo a | tee guarda.txt' 2>/dev/null; check $? 1 "pipe refused"
"$cmd" /c 'echo a && echo b >guarda.txt' 2>/dev/null; check $? 1 "&& refused"
"$cmd" /c 'echo a >guarda.txt <nao_existe.txt' 2>/dev/null; check $? 1 "failed redirection"
"$cmd" /c 'echo a >' 2>/dev/null; check $? 1 "redirection without a file"
check "$(cat guarda.txt)" antes "refused lines left the file alone"
"$cmd" /k echo a 2>/dev/null; check $? 1 "no /c"
"$cmd" /c; check $? 0 "empty command"
exit $fail
