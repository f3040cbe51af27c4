#!/usr/bin/env bash
# TOCA of WAV, FLAC, Ogg and MIDI files into the WAV recorder: the recording holds sound of
# about the file's length; a file that is not what its name says is decoded by its content
# or plays nothing.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
mkdir -p "$root/windows"
cp "$(dirname "$0")/../../data/ZUNAPE.INI" "$root/windows/"
"$(dirname "$0")/../scripts/lay-voice" "$root"
cd "$work"

sox -n -r 22050 -c 1 -b 16 tone.wav synth 1.5 sine 440 gain -6
sox -n -r 44100 -c 2 tone.flac synth 1.0 sine 330 gain -6
sox -n -r 44100 -c 1 tone.ogg synth 2.0 sine 550 gain -6
# Format 0, 96 ticks a quarter at the default 120 bpm: a program change, C for one quarter
# (0.5 s), then E for four quarters (2 s), then the end of the track.
printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60MTrk\x00\x00\x00\x18' >song.mid
printf '\x00\xc0\x00\x00\x90\x3c\x64\x60\x80\x3c\x40\x00\x90\x40\x64\x83\x00\x80\x40\x40\x00\xff\x2f\x00' >>song.mid
cp song.mid song-named.wav
echo "only text, whatever the name says" >text.wav
head -c 30 tone.wav >cut.wav
cp tone.wav "with blank.wav"

fail=0
# Plays one TOCA statement alone; prints the recording's length in seconds and its peak.
play() {
  rm -f out.wav
  printf '%s\r\ntermina mudo\r\n' "$1" >t.cmd
  ROTEIRAL_ROOT="$root" ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO="file:$work/out.wav" \
    timeout 60 "$build/bin/roteiral" t.cmd </dev/null >/dev/null
  if [ -s out.wav ]; then
    printf '%s %s\n' "$(soxi -D out.wav)" "$(sox out.wav -n stat 2>&1 | sed -n 's/^Maximum amplitude: *//p')"
  else
    echo "0 0"
  fi
}
# expect STATEMENT MIN_SECONDS MAX_SECONDS MIN_PEAK
expect() {
  read -r len peak < <(play "$1")
  [ -n "${VERBOSE:-}" ] && echo "$1: $len $peak"
  if ! awk -v l="$len" -v p="$peak" -v a="$2" -v b="$3" -v m="$4" 'BEGIN { exit !(l >= a && l <= b && p >= m) }'; then
    echo "$1: recorded $len s with peak $peak, expected $2..$3 s and peak >= $4"; fail=1
  fi
}

expect 'toca "tone.wav"' 1.45 1.6 0.3
expect 'toca "tone.flac"' 0.95 1.1 0.3
expect 'toca "tone.ogg"' 1.9 2.2 0.3
expect 'toca "tone.wav" &' 1.45 1.6 0.3
expect 'toca "with blank.wav" &' 1.45 1.6 0.3
expect 'toca "song.mid"' 2.4 8 0.02
expect 'toca "song-named.wav"' 2.4 8 0.02
expect 'toca "text.wav"' 0 0 0
expect 'toca "cut.wav"' 0 0 0
expect 'toca "missing.wav"' 0 0 0
exit $fail
