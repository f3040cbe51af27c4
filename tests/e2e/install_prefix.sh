#!/usr/bin/env bash
# cmake --install into a fresh prefix: tradex and roteiral run from any folder without
# ROTEIRAL_ROOT, the programs they make run too; a user who cannot write the installed
# profile gets a personal copy; a prefix that cannot be written stops the install.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log"
[ -x "$prefix/bin/tradex" ] && [ -x "$prefix/bin/roteiral" ] && [ -x "$prefix/libexec/roteiral/dcc32" ]
[ -f "$prefix/share/roteiral/root/windows/ZUNAPE.INI" ]
ls "$prefix"/share/roteiral/root/palmir/som/letras/*.wav >/dev/null

mkdir "$work/scripts" && cd "$work/scripts"
printf 'escreve "olá"\r\n' >ola.cmd
printf 'ola.cmd\n\n' | env -u ROTEIRAL_ROOT ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=null \
  ROTEIRAL_SCREEN="$work/tradex.screen" timeout 120 "$prefix/bin/tradex" >/dev/null
grep -qxF 'Arquivos compilados: 1.' "$work/tradex.screen"
env -u ROTEIRAL_ROOT ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=null ROTEIRAL_SCREEN="$work/exe.screen" \
  timeout 60 ./ola.exe </dev/null >/dev/null
grep -qxF 'olá' "$work/exe.screen"
# The recorded messages of the installed root are found: the end of the script is spoken
# from its recording rather than synthesised.
env -u ROTEIRAL_ROOT ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=null ROTEIRAL_SPEECH_LOG="$work/run.speech" \
  timeout 60 "$prefix/bin/roteiral" ola.cmd </dev/null >/dev/null
grep -qx 'text olá' "$work/run.speech"

# Not root on the installed tree: a personal profile in XDG_CONFIG_HOME takes its place.
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
  as_nobody() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
  home="$work/home" && mkdir -p "$home" && chown nobody "$home"
  chmod -R go-w "$prefix"
  as_nobody env -u ROTEIRAL_ROOT HOME="$home" XDG_CONFIG_HOME="$home/cfg" ROTEIRAL_CONSOLE=headless \
    ROTEIRAL_AUDIO=null timeout 60 "$prefix/bin/roteiral" "$work/scripts/ola.cmd" </dev/null >/dev/null
  cmp "$home/cfg/roteiral/ZUNAPE.INI" "$prefix/share/roteiral/root/windows/ZUNAPE.INI"
  # The personal copy is the one read: pointing its message recordings at a folder of
  # ours makes the end of the script play our recording.
  mkdir -p "$work/d/sons" && cp "$prefix/share/roteiral/root/palmir/som/letras/_um.wav" "$work/d/sons/SCFIM.wav"
  sed -i 's/^DIRROTEIRAL=.*/DIRROTEIRAL=d:\\sons\\\r/' "$home/cfg/roteiral/ZUNAPE.INI"
  grep -q '^DIRROTEIRAL=d:' "$home/cfg/roteiral/ZUNAPE.INI"
  as_nobody env -u ROTEIRAL_ROOT HOME="$home" XDG_CONFIG_HOME="$home/cfg" ROTEIRAL_DRIVE_D="$work/d" \
    ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=null ROTEIRAL_SPEECH_LOG="$home/speech" \
    timeout 60 "$prefix/bin/roteiral" "$work/scripts/ola.cmd" </dev/null >/dev/null
  grep -qx 'fragment SCFIM' "$home/speech" || { cat "$home/speech"; exit 1; }

  # A prefix that cannot be written: the install says so and copies nothing.
  locked="$work/locked" && mkdir "$locked" && chmod 555 "$locked"
  if as_nobody cmake --install "$build" --prefix "$locked/usr" >"$work/locked.log" 2>&1; then
    echo "install into a locked prefix succeeded"; exit 1
  fi
  grep -q 'Não é possível escrever' "$work/locked.log" || { cat "$work/locked.log"; exit 1; }
  [ -z "$(ls -A "$locked")" ]
fi
echo ok
