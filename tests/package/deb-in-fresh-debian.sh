#!/usr/bin/env bash
# Builds the .deb, installs it with apt into a fresh Debian 12 made by debootstrap, and runs
# tradex and roteiral there on a script from a folder of the user's. Needs root and the
# Debian mirror; takes minutes, so it is `make package-test`, not part of `make test`.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
work=${PACKAGE_TEST_DIR:-$(mktemp -d /var/tmp/roteiral-deb-XXXXXX)}
cleanup() {
  for m in proc dev/pts dev; do umount "$work/root/$m" 2>/dev/null || true; done
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/roteiral_*.deb | head -1)
echo "package: $(basename "$deb")"
dpkg-deb -f "$deb" Depends

debootstrap --variant=minbase bookworm "$work/root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
  { tail -20 "$work/debootstrap.log"; exit 1; }
cp /etc/resolv.conf "$work/root/etc/resolv.conf"
mount -t proc proc "$work/root/proc"
cp "$deb" "$work/root/tmp/"
chroot "$work/root" /bin/bash -euc "
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends /tmp/$(basename "$deb") >/tmp/apt.log 2>&1 || { tail -30 /tmp/apt.log; exit 1; }
  useradd -m leitora
  su leitora -c '
    set -e
    cd ~ && mkdir -p meus && cd meus
    printf \"escreve \\\"Olá, ação!\\\"\\r\\n\" >ola.cmd
    printf \"ola.cmd\\n\\n\" | ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=null ROTEIRAL_SCREEN=\$HOME/t.screen tradex >/dev/null
    grep -qxF \"Arquivos compilados: 1.\" \$HOME/t.screen
    ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=null ROTEIRAL_SCREEN=\$HOME/e.screen ./ola.exe </dev/null >/dev/null
    grep -qxF \"Olá, ação!\" \$HOME/e.screen
    ROTEIRAL_CONSOLE=headless ROTEIRAL_AUDIO=null ROTEIRAL_SCREEN=\$HOME/r.screen roteiral ola.cmd </dev/null >/dev/null
    grep -qxF \"Olá, ação!\" \$HOME/r.screen
    [ -f \$HOME/.config/roteiral/ZUNAPE.INI ]
  '
"
echo "installed and ran in a fresh Debian 12"
