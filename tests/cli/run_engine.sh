#!/usr/bin/env bash
# The run engine through the real programs: a file the link cannot carry is
# refused before any box is touched, on one port and on two; a file replaced
# on disk between two boxes does not reach the second box; SIGTERM and
# SIGHUP stop a run like Ctrl-C (summary, "stopped" records, 143 and 129).
set -euo pipefail
CLI="$1"
BOXSIM="$2"
source "$(dirname "$(readlink -f "$0")")/sim_work.sh"
# Starts N simulated boxes (PATH, PATH.2, ...) and waits for the last one's link.
start_boxes() {
  local n="$1" last="$WORK/box"
  shift
  [ "$n" -gt 1 ] && last="$WORK/box.$n"
  rm -f "$WORK"/box*
  "$BOXSIM" --link "$WORK/box" --boxes "$n" --no-announce "$@" > sim.log 2>&1 &
  SIM_PID=$!
  for _ in $(seq 400); do [ -e "$last" ] && break; sleep 0.05; done
}
# Waits until FILE has at least N lines.
wait_lines() {
  for _ in $(seq 400); do
    [ -s "$1" ] && [ "$(wc -l < "$1")" -ge "$2" ] && return 0
    sleep 0.05
  done
  return 1
}
# Sends SIGNAL to the run PID once FILE shows a transfer on each port given
# after it (or on its only port); RC gets the run's exit code.
stop_in_transfer() {
  local signal="$1" pid="$2" file="$3" port
  shift 3
  for port in "${@:-}"; do wait_match "$file" "^${port:+$port: }Transfering Data:"; done
  kill "-$signal" "$pid"
  set +e
  wait "$pid"
  RC=$?
  set -e
}
# Waits until FILE holds a line matching PATTERN.
wait_match() {
  for _ in $(seq 400); do
    grep -q "$2" "$1" 2>/dev/null && return 0
    sleep 0.05
  done
  return 1
}

# A sound file of 128 partitions of 4 bytes each: every record holds, but
# one upload request names at most 127 areas.
python3 - <<'PY'
import struct

def crc32(data):
    crc = 0xFFFFFFFF
    for b in data:
        crc ^= b << 24
        for _ in range(8):
            crc = ((crc << 1) ^ 0x04C11DB7) if crc & 0x80000000 else crc << 1
            crc &= 0xFFFFFFFF
    return crc

def record(tag, length_bytes, payload):
    body = payload + struct.pack("<I", crc32(payload))
    return bytes([tag]) + len(body).to_bytes(length_bytes, "little") + body

parts = b""
for i in range(128):
    raw = bytes([i, i, i, i])
    packed = bytes([17 + 4]) + raw + bytes([0x11, 0, 0])  # LZO1X: four literals, end
    data = record(0x33, 3, packed)
    payload = struct.pack("<BI", 0, 0x40000000 + i * 0x1000) + (4).to_bytes(3, "little")
    payload += struct.pack("<I", crc32(raw)) + len(packed).to_bytes(3, "little")
    payload += struct.pack("<IB", crc32(packed), 1)
    parts += record(0x22, 1, payload) + data
header = bytearray(64)
header[1:10] = b"MANYPARTS"
header[49] = 128
total = 71 + len(parts)
header[50:53] = total.to_bytes(3, "little")
open("many.dld", "wb").write(record(0x11, 2, bytes(header)) + parts)
PY
"$CLI" info many.dld > info.txt
start_boxes 2
for command in verify download; do
  set +e
  "$CLI" "$command" --port "$WORK/box" --port "$WORK/box.2" --log runs.jsonl many.dld > many.txt 2> many.err
  rc=$?
  set -e
  [ "$rc" -eq 2 ] || { cat many.err; exit 1; }
  grep -q "many.dld': holds 128 partitions; one upload request names at most 127" many.err
  ! grep -q "terminate" many.err
  [ ! -s runs.jsonl ]
done
# A file larger than its header's 24-bit total size can count.
head -c 71 many.dld > big.dld
truncate -s 17000000 big.dld
set +e
"$CLI" download --port "$WORK/box" big.dld 2> big.err
rc=$?
set -e
[ "$rc" -eq 2 ] && grep -q "big.dld': is 17000000 bytes" big.err
# The boxes were never touched: both still flash a sound file.
python3 -c "import os; open('key.bin','wb').write(os.urandom(30000))"
"$CLI" pack --set key --manufacture FIRST -o key.dld key.bin > /dev/null
"$CLI" download --port "$WORK/box" --port "$WORK/box.2" key.dld > both.txt
stop_box

# Two boxes, one after the other; the file is replaced (a new release copied
# into place) once the first box is done. The second box still gets the
# bytes the run read, and its record names them.
FIRST_SHA="$(sha256sum key.dld | cut -d' ' -f1)"
cp key.dld first.dld
python3 -c "import os; [open(f'p{i}.bin','wb').write(os.urandom(2000)) for i in range(8)]"
"$CLI" pack --set data --manufacture M --hw-module H --hw-version 1 --sw-module S --sw-version 2 \
  -o other.dld p0.bin p1.bin p2.bin p3.bin p4.bin p5.bin p6.bin p7.bin > /dev/null
start_boxes 1
rm -f runs.jsonl
"$CLI" download --port "$WORK/box" --count 2 --log runs.jsonl key.dld > replaced.txt 2>&1 &
CLI_PID=$!
wait_lines runs.jsonl 1
cp other.dld key.dld.new && mv key.dld.new key.dld
wait "$CLI_PID"
[ "$(grep -c "^Update Success!$" replaced.txt)" -eq 2 ]
python3 - "$FIRST_SHA" <<'PY'
import json, sys
records = [json.loads(line) for line in open("runs.jsonl")]
assert [r["result"] for r in records] == ["success", "success"], records
assert all(r["file"]["sha256"] == sys.argv[1] for r in records), [r["file"] for r in records]
assert all(r["file"]["identity"]["manufacture"] == "FIRST" for r in records)
PY
"$CLI" verify --port "$WORK/box" first.dld > held.txt
stop_box

# SIGTERM while two paced boxes take a file: exit 143, the summary table,
# a "stopped" record per box in flight. SIGHUP on one port: exit 129.
cp first.dld key.dld
start_boxes 2 --wire-rate 115200
rm -f runs.jsonl
"$CLI" download --port "$WORK/box" --port "$WORK/box.2" --repeat --log runs.jsonl key.dld > term.txt 2>&1 &
stop_in_transfer TERM $! term.txt "$WORK/box" "$WORK/box.2"
[ "$RC" -eq 143 ] || { cat term.txt; exit 1; }
grep -q "^port .*device .*done .*failed .*last result$" term.txt
python3 - <<'PY'
import json
records = [json.loads(line) for line in open("runs.jsonl")]
last = {r["port"]: r["result"] for r in records}
assert len(last) == 2 and set(last.values()) == {"stopped"}, records
PY
rm -f runs.jsonl
"$CLI" download --port "$WORK/box" --repeat --log runs.jsonl key.dld > hup.txt 2>&1 &
stop_in_transfer HUP $! hup.txt
[ "$RC" -eq 129 ] || { cat hup.txt; exit 1; }
python3 -c "import json; r = [json.loads(l) for l in open('runs.jsonl')]; assert [x['result'] for x in r] == ['stopped'], r"
echo "run engine CLI: all checks passed"
