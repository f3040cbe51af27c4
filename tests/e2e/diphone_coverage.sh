#!/usr/bin/env bash
# Every word of the Brazilian Portuguese word list goes through the translator and the
# built-in voice of the family root at every speed level's database: no name may be missing
# from the database, except names longer than the 8 characters an index can hold (those
# fall back to shorter names by design).
set -u
build=$(cd "${1:?build directory}" && pwd)
list=/usr/share/dict/brazilian
if [ ! -r "$list" ]; then
  echo "skipped: $list is missing (package wbrazilian)"
  exit 0
fi
fail=0
for level in 1 3 5; do
  out=$("$build/bin/diphone_say" --root "$build/root" --level "$level" --words "$list") || {
    echo "diphone_say failed at level $level"; exit 1; }
  words=$(echo "$out" | sed -n 's/^words //p')
  clean=$(echo "$out" | sed -n 's/^voiced_without_missing //p')
  echo "level $level: $clean of $words words voiced with no missing name"
  [ "${words:-0}" -gt 200000 ] || { echo "word list too short: $words"; fail=1; }
  # The names missing, one a line, without the ones no index can hold.
  bad=$(echo "$out" | grep $'\t' | cut -f3 | tr ' ' '\n' | grep -v '^missing$' | grep -v '^$' |
        awk 'length($0) <= 8' | sort | uniq -c)
  if [ -n "$bad" ]; then
    echo "names missing from the database:"; echo "$bad" | head -20; fail=1
  fi
  echo "$out" | grep $'\t' | head -5
done
exit $fail
