#!/usr/bin/env bash
# verify through the real tuneflash-cli against the real tuneflash-boxsim:
# a box that holds the file, a box with one partition changed (named, with
# its first differing address), a box that hangs up mid-way; its record in
# --log; nothing written to disk.
set -euo pipefail
CLI="$1"
BOXSIM="$2"
source "$(dirname "$(readlink -f "$0")")/sim_work.sh"
start_box() {
  rm -f "$WORK/box"
  "$BOXSIM" --link "$WORK/box" --no-announce "$@" > sim.log 2>&1 &
  SIM_PID=$!
  for _ in $(seq 100); do [ -e "$WORK/box" ] && break; sleep 0.05; done
}

# A Loader set (four partitions at 0x40000000, 0x40004000, 0x40006000,
# 0x40008000) of incompressible images, and the same set with one byte of
# partition 3 (0x40006000) changed at 0x123.
python3 - <<'PY'
import random
random.seed(7)
for i, size in enumerate([0x4000, 0x2000, 0x2000, 0x8000]):
    data = bytearray(random.getrandbits(8) for _ in range(size))
    open(f"p{i}.bin", "wb").write(data)
    if i == 2:
        data[0x123] ^= 0x5A
    open(f"q{i}.bin", "wb").write(data)
PY
"$CLI" pack --set loader --manufacture VERIFY -o loader.dld p0.bin p1.bin p2.bin p3.bin > /dev/null
"$CLI" pack --set loader --manufacture VERIFY -o changed.dld p0.bin p1.bin q2.bin p3.bin > /dev/null
mkdir files && mv p?.bin q?.bin files/

# The box keeps its flash in files/flash.bin, for the box that hangs up.
start_box --flash "$WORK/files/flash.bin"
"$CLI" download --port "$WORK/box" loader.dld > /dev/null

# The box holds the file: every partition the same, exit 0.
"$CLI" verify --port "$WORK/box" --log runs.jsonl loader.dld > same.txt
diff <(grep "^Partition" same.txt) <(printf '%s\n' \
  "Partition 1 at 0x40000000: same" "Partition 2 at 0x40004000: same" \
  "Partition 3 at 0x40006000: same" "Partition 4 at 0x40008000: same")
tail -1 same.txt | grep -q "^Update Success!$"

# One partition changed: named with its first differing address, exit 1.
"$CLI" download --port "$WORK/box" changed.dld > /dev/null
set +e
"$CLI" verify --port "$WORK/box" --log runs.jsonl loader.dld > differs.txt
rc=$?
set -e
[ "$rc" -eq 1 ]
diff <(grep "^Partition" differs.txt) <(printf '%s\n' \
  "Partition 1 at 0x40000000: same" "Partition 2 at 0x40004000: same" \
  "Partition 3 at 0x40006000: differs at 0x40006123" "Partition 4 at 0x40008000: same")
stop_box

# A box that hangs up mid-way (at the 20th block, in partition 2): what
# arrived is compared, the rest is not read; exit 1.
start_box --flash "$WORK/files/flash.bin" --hangup-after-block 20
set +e
"$CLI" verify --port "$WORK/box" --log runs.jsonl loader.dld > midway.txt 2> midway.err
rc=$?
set -e
[ "$rc" -eq 1 ]
grep -q "^Partition 1 at 0x40000000: same$" midway.txt
grep -q "^Partition 2 at 0x40004000: not read$" midway.txt
grep -q "^Partition 4 at 0x40008000: not read$" midway.txt
stop_box

# Verify writes nothing but its record: no file beside the ones made here.
[ -z "$(find . -type f ! -name '*.txt' ! -name '*.err' ! -name '*.log' ! -name '*.bin' ! -name runs.jsonl \
  ! -name loader.dld ! -name changed.dld)" ]
python3 - <<'PY'
import json
records = [json.loads(line) for line in open("runs.jsonl")]
assert [r["result"] for r in records] == ["success", "failed", "failed"], records
assert all(r["command"] == "verify" and len(r["partitions"]) == 4 for r in records)
assert records[1]["partitions"][2] == {"index": 3, "address": "0x40006000", "result": "differs",
                                       "first_difference": "0x40006123"}, records[1]["partitions"][2]
assert records[2]["failure"]["phase"] == "transfer", records[2]["failure"]
assert records[2]["partitions"][1]["result"] == "not read"
assert records[0]["bytes_received"] > 0x10000 and records[0]["file"]["identity"]["manufacture"] == "VERIFY"
PY
echo "verify CLI: all checks passed"
