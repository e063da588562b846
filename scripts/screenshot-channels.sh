#!/usr/bin/env bash
# A screenshot of the channel editor on the sample database merged with the
# real lists in tests/data/satcodx, on a virtual desktop of its own.
#   scripts/screenshot-channels.sh [BUILD_BIN_DIR] [OUT_DIR] [DISPLAY_NUMBER]
set -euo pipefail
cd "$(dirname "$0")/.."
BIN="${1:-build/bin}"
OUT="${2:-docs}"
DISPLAY_NUMBER="${3:-91}"
WORK="$(mktemp -d)"
XVFB_PID=""
WM_PID=""
cleanup() {
  [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
"$BIN/tuneflash-cli" sample-data -o "$WORK/sample.dld" > /dev/null
"$BIN/tuneflash-cli" merge-satcodx "$WORK/sample.dld" tests/data/satcodx/*.sdx -o "$WORK/merged.dld" \
  --workdir "$WORK" > /dev/null
Xvfb ":$DISPLAY_NUMBER" -screen 0 1000x700x24 -nolisten tcp > /dev/null 2>&1 &
XVFB_PID=$!
sleep 1
export DISPLAY=":$DISPLAY_NUMBER" XDG_RUNTIME_DIR="$WORK" QT_QPA_PLATFORM=xcb
openbox --sm-disable > /dev/null 2>&1 &
WM_PID=$!
sleep 1
mkdir -p "$OUT"
"$BIN/tuneflash-channels-screenshot" "$WORK/merged.dld" "$OUT/tuneflash-channels.png" "$WORK/main.png"
# MAIN_SHOT=FILE keeps a picture of the main window with the file chosen too.
if [ -n "${MAIN_SHOT:-}" ]; then cp "$WORK/main.png" "$MAIN_SHOT"; fi
