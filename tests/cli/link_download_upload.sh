#!/usr/bin/env bash
# download and upload through the real tuneflash-cli against the real
# tuneflash-boxsim program: status lines, exit codes, --count, --force,
# a port that is not there, and Ctrl-C while waiting for the hello.
set -euo pipefail
CLI="$1"
BOXSIM="$2"
WORK="$(mktemp -d)"
SIM_PID=""
cleanup() {
  [ -n "$SIM_PID" ] && kill -INT "$SIM_PID" 2>/dev/null && wait "$SIM_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
cd "$WORK"

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
python3 -c 'import os, pty, sys, time
m, s = pty.openpty()
print(os.ttyname(s), flush=True)
time.sleep(30)' > silent.txt &
SILENT_PID=$!
for _ in $(seq 100); do [ -s silent.txt ] && break; sleep 0.05; done
"$CLI" download --port "$(cat silent.txt)" key.dld > ctrlc.txt &
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
echo "link CLI: all checks passed"
