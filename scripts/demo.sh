#!/usr/bin/env bash
# The main job end to end on a simulated box: build a Data set download file,
# start tuneflash-boxsim, flash the file into it, read the same set back into
# a new file, show that file and compare the images, stop the simulator.
set -euo pipefail
BIN="${1:-build/bin}"
WORK="$(mktemp -d)"
SIM_PID=""
cleanup() {
  if [ -n "$SIM_PID" ]; then kill -INT "$SIM_PID" 2>/dev/null && wait "$SIM_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

step() { printf '\n== %s\n' "$*"; }

step "Generating the eight images of a Data set and packing them into sample.dld"
images=()
sizes=(30000 25000 20000 15000 12000 7000 6000 9000)
for i in 0 1 2 3 4 5 6 7; do
  python3 -c "import sys; sys.stdout.buffer.write(bytes(((j * (7 + $i)) >> 3) & 0xFF for j in range(${sizes[$i]})))" \
    > "$WORK/part$i.bin"
  images+=("$WORK/part$i.bin")
done
"$BIN/tuneflash-cli" pack --set data --manufacture DEMO-MAKER --hw-module HWM-01 --hw-version 1.0 \
  --sw-module SWM-01 --sw-version 3.0 -o "$WORK/sample.dld" "${images[@]}"

step "Starting the simulated box (tuneflash-boxsim --link $WORK/box)"
"$BIN/tuneflash-boxsim" --link "$WORK/box" > "$WORK/boxsim.log" 2>&1 &
SIM_PID=$!
for _ in $(seq 100); do [ -e "$WORK/box" ] && break; sleep 0.05; done
cat "$WORK/boxsim.log"
echo "The port list now offers it:"
"$BIN/tuneflash-cli" ports | grep -F "$WORK/box" || true

step "tuneflash-cli download --port $WORK/box sample.dld"
"$BIN/tuneflash-cli" download --port "$WORK/box" "$WORK/sample.dld"

step "tuneflash-cli upload --port $WORK/box --set data uploaded.dld"
"$BIN/tuneflash-cli" upload --port "$WORK/box" --set data "$WORK/uploaded.dld"

step "tuneflash-cli info uploaded.dld"
"$BIN/tuneflash-cli" info "$WORK/uploaded.dld"

step "Comparing the images that went down with the images that came back"
"$BIN/tuneflash-cli" unpack "$WORK/sample.dld" "$WORK/down" > /dev/null
"$BIN/tuneflash-cli" unpack "$WORK/uploaded.dld" "$WORK/up" > /dev/null
if diff -r "$WORK/down" "$WORK/up" > /dev/null; then
  echo "The images match: all 8 partitions came back from the box as they were flashed."
else
  echo "The images DIFFER between sample.dld and uploaded.dld."
  exit 1
fi

step "Stopping the simulated box"
kill -INT "$SIM_PID"
wait "$SIM_PID" || true
SIM_PID=""
tail -1 "$WORK/boxsim.log"
