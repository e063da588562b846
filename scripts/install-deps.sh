#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the tools need; or,
# given package names, those instead (scripts/install-windows-deps.sh).
# Idempotent and non-interactive: packages already present are skipped, and
# apt-get update runs at most once, only when something is missing.
set -euo pipefail

PACKAGES=(
  # the build
  build-essential cmake pkg-config ccache
  liblzo2-dev libcli11-dev libserialport-dev nlohmann-json3-dev nettle-dev
  qt6-base-dev qt6-base-dev-tools libqt6network6
  # the tests: unit and window tests, the shell tests' helpers, the format check
  libgtest-dev libqt6test6 python3 clang-format
  # fuzz targets: clang and its libFuzzer and sanitizer runtimes
  clang libclang-rt-14-dev
  # install files and the Debian package: icon sizes, manual pages, checks
  librsvg2-bin help2man file desktop-file-utils lintian
  # the window's font; screenshots on a virtual desktop, banner pictures
  fonts-liberation xvfb xauth x11-utils imagemagick openbox
)
if [ $# -gt 0 ]; then PACKAGES=("$@"); fi

missing=()
for pkg in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#PACKAGES[@]} packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
$SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
