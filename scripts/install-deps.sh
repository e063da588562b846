#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the tools need.
# Idempotent and non-interactive: packages already present are skipped, and
# apt-get update runs at most once, only when something is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config clang-format
  liblzo2-dev libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev
  libserialport-dev nlohmann-json3-dev nettle-dev
  qt6-base-dev qt6-base-dev-tools libqt6test6 libqt6network6 libqt6svg6
  libjpeg-dev
  fonts-liberation xvfb xauth x11-utils imagemagick openbox
)

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
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
