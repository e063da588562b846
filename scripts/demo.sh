#!/usr/bin/env bash
# The main job on an embedded default: a Key set download file built from a
# generated image, then shown and verified.
set -euo pipefail
BIN="${1:-build/bin}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

echo "== Generating a 64 KiB key image"
python3 -c "import sys; sys.stdout.buffer.write(bytes((i * 7) & 0xFF for i in range(40000)))" > "$WORK/key.bin"
echo "== tuneflash-cli pack --set key"
"$BIN/tuneflash-cli" pack --set key --manufacture DEMO-MAKER --hw-module HWM-01 --hw-version 1.0 \
  --sw-module SWM-01 --sw-version 3.0 -o "$WORK/key.dld" "$WORK/key.bin"
echo "== tuneflash-cli info"
"$BIN/tuneflash-cli" info "$WORK/key.dld"
