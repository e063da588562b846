#!/usr/bin/env bash
# download and upload through the real tuneflash-cli against the real
# tuneflash-boxsim program: status lines, exit codes, --count, --force,
# a port that is not there, and Ctrl-C while waiting for the hello.
set -euo pipefail
CLI="$1"
BOXSIM="$2"
source "$(dirname "$(readlink -f "$0")")/sim_work.sh"

python3 -c "import sys; sys.stdout.buffer.write(bytes((i * 7) & 0xFF for i in range(40000)))" > key.bin
"$CLI" pack --set key --manufacture CLITEST -o key.dld key.bin > /dev/null

"$BOXSIM" --link "$WORK/box" --no-announce > sim.log 2>&1 &
SIM_PID=$!
for _ in $(seq 100); do [ -e "$WORK/box" ] && break; sleep 0.05; done

# Two boxes one after another; one status per line when stdout is no terminal.
"$CLI" download --port "$WORK/box" --count 2 key.dld > down.txt
[ "$(grep -c '^Update Success!$' down.txt)" -eq 2 ]
head -16 down.txt | diff - <(printf '%s\n' "Connectting..." "Connect Success!" "Verify..." "Verify Success!" \
  "Transfer..." "Transfering Data:  100%" "Transfer Success!" "Erase flash..." "Erase flash...  100%" \
  "Erase flash Success!" "Program flash..." "Program flash...  100%" "Program flash Success!" \
  "Update Success!" "Connectting..." "Connect Success!")

# Read it back; an existing file is kept without --force.
"$CLI" upload --port "$WORK/box" --set key back.dld > up.txt
tail -2 up.txt | head -1 | grep -qx "Update Success!"
cmp key.dld back.dld
set +e
"$CLI" upload --port "$WORK/box" --set key back.dld > /dev/null 2> refuse.txt
rc=$?
set -e
[ "$rc" -eq 2 ] && grep -q "add --force" refuse.txt
"$CLI" upload --port "$WORK/box" --set key --force back.dld > /dev/null
cmp key.dld back.dld

# A port that is not there: exit 1 and the device named.
set +e
"$CLI" download --port /dev/tuneflash-missing key.dld > /dev/null 2> missing.txt
rc=$?
set -e
[ "$rc" -eq 1 ] && grep -q "/dev/tuneflash-missing: does not exist" missing.txt && grep -q "COM.01" missing.txt

# Ctrl-C while waiting for a hello that never comes closes the port: exit 130.
silent_line() {  # a pty nobody answers on; its device goes to $1
  python3 -c 'import os, pty, sys, time
m, s = pty.openpty()
print(os.ttyname(s), flush=True)
time.sleep(30)' > "$1" &
  SILENT_PID=$!
  for _ in $(seq 100); do [ -s "$1" ] && break; sleep 0.05; done
}
silent_line silent.txt
"$CLI" download --port "$(cat silent.txt)" key.dld > ctrlc.txt 2> ctrlc.err &
CLI_PID=$!
sleep 0.5
kill -INT "$CLI_PID"
set +e
wait "$CLI_PID"
rc=$?
set -e
kill "$SILENT_PID" 2>/dev/null || true
[ "$rc" -eq 130 ]
diff ctrlc.txt <(echo "Connectting...")
# A line pulled like a USB adapter: in mid-blocks, during the erase wait and
# during an upload. Each run ends at once (the guard is far above what it
# needs) with exit 1 and the device named; an existing upload target stays.
python3 -c "import random, sys; r = random.Random(5); sys.stdout.buffer.write(bytes(r.getrandbits(8) for _ in range(65536)))" > rnd.bin
"$CLI" pack --set key --manufacture CLITEST -o rnd.dld rnd.bin > /dev/null
pulled() {  # pulled NAME BOXSIM-FAULT... -- CLI-ARGS...
  local name="$1"; shift
  local fault=()
  while [ "$1" != "--" ]; do fault+=("$1"); shift; done
  shift
  "$BOXSIM" --link "$WORK/$name" --no-announce "${fault[@]}" > "$name.sim" 2>&1 &
  local pid=$!
  for _ in $(seq 100); do [ -e "$WORK/$name" ] && break; sleep 0.05; done
  set +e
  timeout 20 "$CLI" "$1" --port "$WORK/$name" "${@:2}" > "$name.out" 2> "$name.err"
  local rc=$?
  set -e
  kill -INT "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ "$rc" -eq 1 ] || { echo "$name: exit $rc"; cat "$name.err"; return 1; }
  grep -q "$WORK/$name went away" "$name.err" || { echo "$name:"; cat "$name.err"; return 1; }
}
pulled blocks --hangup-after-block 5 -- download rnd.dld
grep -q "Transfer failed!" blocks.out && grep -q "^Update failed!$" blocks.out
grep -q "transfer, partition 1, block 5" blocks.err
pulled erasing --hangup-while-erasing 1 -- download rnd.dld
grep -q "^Erase flash failed!$" erasing.out && grep -q "erase, partition 1" erasing.err
printf 'old' > kept.dld
pulled uploading --hangup-after-block 1 -- upload --set key --force kept.dld
[ "$(cat kept.dld)" = "old" ]

# --timeout: a box silent that long in a wait ends the run naming the phase.
silent_line silent2.txt
set +e
timeout 20 "$CLI" download --port "$(cat silent2.txt)" --timeout 0.3 key.dld > timeout.out 2> timeout.err
rc=$?
set -e
kill "$SILENT_PID" 2>/dev/null || true
[ "$rc" -eq 1 ] && grep -q "waiting for the box's hello: the box was silent for the time limit (300 ms)" timeout.err

echo "link CLI: all checks passed"
