#!/usr/bin/env bash
# The manual's examples run as written, every command word has its section, lines fit 80.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exec python3 "$here/manual_examples.py" "$(cd "$1" && pwd)" "$here/../../docs/manual" "$here/../../runtime/executor.cpp"
