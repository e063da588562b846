#!/usr/bin/env bash
# Builds the .deb into a scratch directory, unpacks it into a scratch root (no
# root needed) and runs what it installed; lintian must report no errors.
# Usage: package_install.sh CPACK BUILD_DIR VERSION
set -euo pipefail
cpack=$1 build=$2 version=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

"$cpack" --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 || {
  cat "$scratch/cpack.log"
  exit 1
}
deb=$(ls "$scratch"/out/tuneflash_"$version"_*.deb)
echo "package: $(basename "$deb")"
dpkg-deb --field "$deb" Package Version Section Depends

root=$scratch/root
dpkg -x "$deb" "$root"
for f in usr/bin/tuneflash usr/bin/tuneflash-cli usr/bin/tuneflash-boxsim \
         usr/share/applications/tuneflash.desktop usr/share/applications/tuneflash-station.desktop \
         usr/share/icons/hicolor/scalable/apps/tuneflash.svg \
         usr/share/icons/hicolor/48x48/apps/tuneflash.png usr/share/man/man1/tuneflash.1.gz \
         usr/share/man/man1/tuneflash-cli.1.gz usr/share/man/man1/tuneflash-boxsim.1.gz \
         usr/share/doc/tuneflash/copyright; do
  [ -e "$root/$f" ] || { echo "missing from the package: /$f"; exit 1; }
done

cli=$root/usr/bin/tuneflash-cli
[ "$("$cli" --version)" = "tuneflash-cli $version" ] || { echo "wrong version: $("$cli" --version)"; exit 1; }
[ "$("$root/usr/bin/tuneflash-boxsim" --version)" = "tuneflash-boxsim $version" ]
"$cli" sample-data -o "$scratch/sample.dld" >/dev/null
info=$("$cli" info "$scratch/sample.dld")
grep -q "^Ident for nocheck: 0" <<<"$info" || { echo "info on the sample: $info"; exit 1; }
desktop-file-validate "$root/usr/share/applications/tuneflash.desktop"
desktop-file-validate "$root/usr/share/applications/tuneflash-station.desktop"
grep -q dialout <(zcat "$root/usr/share/man/man1/tuneflash-cli.1.gz")

lintian --no-tag-display-limit "$deb" >"$scratch/lintian.log" 2>&1 || true
cat "$scratch/lintian.log"
if grep -q '^E:' "$scratch/lintian.log"; then
  echo "lintian reports errors"
  exit 1
fi
