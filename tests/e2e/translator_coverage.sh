#!/usr/bin/env bash
# Every word of the Brazilian Portuguese word list goes through the translator: the words
# with a vowel must come out inside the voice's alphabet; only vowel-less ones are spelled.
set -u
build=$(cd "${1:?build directory}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
list=/usr/share/dict/brazilian
tool="$build/bin/translate_words"
if [ ! -r "$list" ]; then
  echo "skipped: $list is missing (package wbrazilian)"
  exit 0
fi
out=$("$tool" "$here/../../data/regras.rgr" "$here/../../data/portug.exc" "$list" --failures 100000) || {
  echo "translate_words failed"; exit 1; }
echo "$out" | grep -v $'\t'
fail=0
words=$(echo "$out" | sed -n 's/^words //p')
unknown=$(echo "$out" | sed -n 's/^unknown_symbol //p')
[ "${words:-0}" -gt 200000 ] || { echo "word list too short: $words"; fail=1; }
[ "$unknown" = 0 ] || { echo "words with symbols outside the alphabet: $unknown"; fail=1; }
# A word spelled letter by letter is only acceptable when it has no vowel to read.
bad=$(echo "$out" | grep $'\t' | cut -f1 | grep -i '[aeiouyáéíóúâêôãõàü]')
if [ -n "$bad" ]; then
  echo "words with a vowel that fell back to spelling:"; echo "$bad" | head -20; fail=1
fi
exit $fail
