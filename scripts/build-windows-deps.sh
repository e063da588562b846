#!/usr/bin/env bash
# Builds the libraries the Windows cross build needs into one prefix:
#   LZO and GoogleTest from Debian's source packages (apt-get source), built
#   with the mingw-w64 toolchain as static libraries;
#   CLI11 and nlohmann-json, header-only, copied from the machine's packages
#   (their Debian CMake files add -isystem /usr/include, which would pull the
#   Linux headers into the cross build), with small CMake files of our own.
# Usage: build-windows-deps.sh DIR   (the prefix is DIR/prefix)
# Idempotent: each library is skipped once its stamp exists.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
DIR=$(mkdir -p "${1:?usage: build-windows-deps.sh DIR}" && cd "$1" && pwd)
PREFIX=$DIR/prefix
TOOLCHAIN=$ROOT/cmake/mingw-w64-x86_64.cmake
JOBS=${JOBS:-$(nproc)}
mkdir -p "$PREFIX/include" "$PREFIX/lib/pkgconfig" "$PREFIX/lib/cmake" "$PREFIX/share/licenses" "$DIR/src"

# Unpacks Debian source package $1 into $DIR/src/$1 (once).
fetch_source() {
  local pkg=$1
  if [ ! -d "$DIR/src/$pkg" ]; then
    rm -rf "$DIR/src/$pkg.tmp" && mkdir -p "$DIR/src/$pkg.tmp"
    (cd "$DIR/src/$pkg.tmp" && apt-get source -qq "$pkg" >fetch.log 2>&1) ||
      { cat "$DIR/src/$pkg.tmp/fetch.log"; exit 1; }
    local unpacked
    unpacked=$(find "$DIR/src/$pkg.tmp" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    mv "$unpacked" "$DIR/src/$pkg"
    rm -rf "$DIR/src/$pkg.tmp"
  fi
}

# Configures, builds and installs CMake project $1 (a source dir) with flags.
cross_build() {
  local src=$1 build=$2
  shift 2
  cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DTUNEFLASH_WINDOWS_PREFIX="$PREFIX" \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_BUILD_TYPE=Release "$@" >"$build.log" 2>&1 &&
    cmake --build "$build" -j "$JOBS" >>"$build.log" 2>&1 &&
    cmake --install "$build" >>"$build.log" 2>&1 || { tail -n 40 "$build.log"; exit 1; }
}

if [ ! -f "$PREFIX/.lzo" ]; then
  echo "build-windows-deps: LZO"
  fetch_source lzo2
  cross_build "$DIR/src/lzo2" "$DIR/lzo2-build" -DENABLE_STATIC=ON -DENABLE_SHARED=OFF
  cat >"$PREFIX/lib/pkgconfig/lzo2.pc" <<PC
prefix=$PREFIX
Name: lzo2
Description: LZO data compression library (static, mingw-w64)
Version: 2.10
Libs: -L\${prefix}/lib -llzo2
Cflags: -I\${prefix}/include
PC
  cp "$DIR/src/lzo2/COPYING" "$PREFIX/share/licenses/LZO-COPYING.txt"
  touch "$PREFIX/.lzo"
fi

if [ ! -f "$PREFIX/.googletest" ]; then
  echo "build-windows-deps: GoogleTest"
  fetch_source googletest
  cross_build "$DIR/src/googletest" "$DIR/googletest-build" -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF
  touch "$PREFIX/.googletest"
fi

# Header-only libraries: the headers and an imported target of the same name
# the Linux build finds.
header_only() {
  local name=$1 target=$2 from=$3 licence=$4 version=$5
  rm -rf "$PREFIX/include/$(basename "$from")"
  cp -r "$from" "$PREFIX/include/"
  mkdir -p "$PREFIX/lib/cmake/$name"
  cat >"$PREFIX/lib/cmake/$name/${name}Config.cmake" <<CFG
# $name, header-only, copied from the build machine's package.
if(NOT TARGET $target)
  add_library($target INTERFACE IMPORTED)
  set_target_properties($target PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "$PREFIX/include")
endif()
set(${name}_FOUND TRUE)
CFG
  cat >"$PREFIX/lib/cmake/$name/${name}ConfigVersion.cmake" <<CFG
set(PACKAGE_VERSION "$version")
set(PACKAGE_VERSION_COMPATIBLE TRUE)
CFG
  cp "$licence" "$PREFIX/share/licenses/$name-copyright.txt"
}
if [ ! -f "$PREFIX/.headers" ]; then
  echo "build-windows-deps: CLI11 and nlohmann-json headers"
  header_only CLI11 CLI11::CLI11 /usr/include/CLI /usr/share/doc/libcli11-dev/copyright \
    "$(dpkg-query -W -f='${Version}' libcli11-dev | cut -d- -f1)"
  header_only nlohmann_json nlohmann_json::nlohmann_json /usr/include/nlohmann /usr/share/doc/nlohmann-json3-dev/copyright \
    "$(dpkg-query -W -f='${Version}' nlohmann-json3-dev | cut -d- -f1)"
  touch "$PREFIX/.headers"
fi
echo "build-windows-deps: ready in $PREFIX"
