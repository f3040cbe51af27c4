#!/usr/bin/env bash
# ELZAR's letter-to-sound rules against espeak-ng's pt-br transcription: 5000 words of the
# Brazilian Portuguese word list must agree at least 90 percent of the time.
set -u
build=$(cd "${1:?build directory}" && pwd)
here=$(cd "$(dirname "$0")/../.." && pwd)
list=/usr/share/dict/brazilian
if [ ! -r "$list" ]; then
  echo "skipped: $list is missing (package wbrazilian)"
  exit 0
fi
if ! command -v espeak-ng >/dev/null; then
  echo "skipped: espeak-ng is missing"
  exit 0
fi
tool="$build/bin/elzar_words"
[ -x "$tool" ] || { echo "missing $tool"; exit 1; }
python3 "$here/tools/elzar-agreement" --tool "$tool" --data "$here/data/elzartts" \
  --list "$list" --count 5000 --min 90 --top 15
