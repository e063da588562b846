#!/usr/bin/env bash
# Screenshots of the window as a person sees it: runs tuneflash-screenshots on
# a virtual desktop (Xvfb with the openbox window manager, for the caption and
# frame) against a simulated box, and saves the PNGs into docs/.
#   scripts/screenshot.sh [BUILD_BIN_DIR] [OUT_DIR]
# SCREENSHOT_DISPLAY picks the first X display number tried (default 99), so
# two runs on one machine need not race for the same one.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN="${1:-build/bin}"
OUT="${2:-docs}"
if [ ! -x "$BIN/tuneflash-screenshots" ]; then
  echo "screenshot: $BIN/tuneflash-screenshots is missing; run 'make build' first" >&2
  exit 1
fi
mkdir -p "$OUT"
RUNTIME="$(mktemp -d)"
trap 'rm -rf "$RUNTIME"' EXIT

# The window asks for a caption without buttons (its _MOTIF_WM_HINTS allow only
# move and resize). Openbox draws its buttons regardless, so this desktop's
# caption shows the title alone, as a window manager that honours the hints does.
cat > "$RUNTIME/rc.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <theme>
    <name>Clearlooks</name>
    <titleLayout>L</titleLayout>
    <font place="ActiveWindow"><name>Liberation Sans</name><size>10</size><weight>bold</weight></font>
    <font place="InactiveWindow"><name>Liberation Sans</name><size>10</size><weight>bold</weight></font>
  </theme>
</openbox_config>
XML

xvfb-run -a -n "${SCREENSHOT_DISPLAY:-99}" -s "-screen 0 900x700x24" bash -c '
  set -e
  export XDG_RUNTIME_DIR="$1" QT_QPA_PLATFORM=xcb
  openbox --sm-disable --config-file "$1/rc.xml" >/dev/null 2>&1 &
  wm=$!
  sleep 1
  status=0
  "$2/tuneflash-screenshots" "$3" || status=$?
  kill "$wm" 2>/dev/null || true
  exit "$status"
' screenshot "$RUNTIME" "$BIN" "$OUT"
ls -l "$OUT"/tuneflash-*.png
