#!/usr/bin/env bash
# Installs the Debian packages the Windows build and its tests under wine need:
# the mingw-w64 cross compiler (the posix flavour: std::thread and std::mutex),
# wine, zip, and dpkg-dev to unpack source packages. `apt-get source` needs
# deb-src entries for the suites the machine uses: added once, in their own
# file. Idempotent, like install-deps.sh (which does the installing).
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
SRC_LIST=/etc/apt/sources.list.d/tuneflash-deb-src.sources
if [ ! -f "$SRC_LIST" ]; then
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "install-windows-deps: adding Debian source entries in $SRC_LIST"
  $SUDO tee "$SRC_LIST" >/dev/null <<SOURCES
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $codename $codename-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  $SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
fi

"$(dirname "$0")/install-deps.sh" \
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 zip dpkg-dev
