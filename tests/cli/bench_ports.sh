#!/usr/bin/env bash
# The production bench through the real programs: four simulated boxes
# (tuneflash-boxsim --boxes 4), download on all four ports at once with
# --ports and --log, one record per box, a failure that stays on its port,
# and Ctrl-C ending a --repeat run with the summary table.
set -euo pipefail
CLI="$1"
BOXSIM="$2"
source "$(dirname "$(readlink -f "$0")")/sim_work.sh"
# A registry of our own, so that only these boxes are announced.
mkdir run
export XDG_RUNTIME_DIR="$WORK/run"

python3 -c "import sys; sys.stdout.buffer.write(bytes((i * 7 + i // 300) & 0xFF for i in range(40000)))" > key.bin
"$CLI" pack --set key --manufacture BENCHTEST -o key.dld key.bin > /dev/null
SHA="$(sha256sum key.dld | cut -d' ' -f1)"

"$BOXSIM" --boxes 4 --link "$WORK/box" > sim.log 2>&1 &
SIM_PID=$!
for _ in $(seq 100); do [ -e "$WORK/box.4" ] && break; sleep 0.05; done

# The entries the four boxes got (after the machine's own serial ports).
"$CLI" ports > ports.txt
FIRST="$(grep -m1 " $WORK/box " ports.txt | cut -d' ' -f1)"
LAST="$(grep -m1 " $WORK/box.4 " ports.txt | cut -d' ' -f1)"
[ -n "$FIRST" ] && [ -n "$LAST" ]

# Two boxes on each of the four ports, at once; without a terminal every
# status line carries its port.
"$CLI" download --ports "$FIRST-$LAST" --count 2 --log runs.jsonl key.dld > down.txt
[ "$(grep -c ": Update Success!$" down.txt)" -eq 8 ]
grep -q "^$FIRST: Connectting...$" down.txt
grep -q "^$LAST: Transfering Data:  100%$" down.txt
grep -Eq "^$LAST +$WORK/box.4 +2 +0 +Update Success!$" down.txt

python3 - "$SHA" "$WORK" <<'PY'
import json, sys
sha, work = sys.argv[1], sys.argv[2]
records = [json.loads(line) for line in open("runs.jsonl")]
assert len(records) == 8, len(records)
per_port = {}
for r in records:
    assert r["command"] == "download" and r["result"] == "success" and r["failure"] is None, r
    assert r["file"]["sha256"] == sha and r["file"]["name"] == work + "/key.dld", r["file"]
    assert r["file"]["identity"]["manufacture"] == "BENCHTEST"
    assert r["start"].endswith("Z") and r["end"] >= r["start"] and r["duration_s"] >= 0
    assert r["device"].startswith(work + "/box")
    per_port.setdefault(r["port"], []).append(r["box"])
assert len(per_port) == 4 and all(sorted(b) == [1, 2] for b in per_port.values()), per_port
PY

# A port without a device fails on its own; the others flash. Exit 1.
set +e
"$CLI" download --port "$WORK/box" --port "$WORK/nothing" --port "$WORK/box.3" key.dld > mixed.txt 2>&1
rc=$?
set -e
[ "$rc" -eq 1 ]
[ "$(grep -c ": Update Success!$" mixed.txt)" -eq 2 ]
grep -q "$WORK/nothing .*0 .*0  cannot open" mixed.txt

# Usage errors: a range that runs backwards, a port named twice.
set +e
"$CLI" download --ports COM.04-COM.01 key.dld 2> usage.txt
rc1=$?
"$CLI" download --port "$WORK/box" --port "$WORK/box" key.dld 2>> usage.txt
rc2=$?
set -e
[ "$rc1" -eq 2 ] && [ "$rc2" -eq 2 ]
grep -q "runs backwards" usage.txt && grep -q "named twice" usage.txt

# Box after box on four ports until Ctrl-C: exit 130, a summary per port,
# and every record a whole line.
rm -f runs.jsonl
"$CLI" download --ports "$FIRST-$LAST" --repeat --log runs.jsonl key.dld > repeat.txt 2>&1 &
CLI_PID=$!
for _ in $(seq 200); do
  [ -s runs.jsonl ] && [ "$(wc -l < runs.jsonl)" -ge 8 ] && break
  sleep 0.05
done
kill -INT "$CLI_PID"
set +e
wait "$CLI_PID"
rc=$?
set -e
[ "$rc" -eq 130 ]
grep -q "^port .*device .*done .*failed .*last result$" repeat.txt
python3 - <<'PY'
import json
records = [json.loads(line) for line in open("runs.jsonl")]
assert len(records) >= 8
assert all(r["result"] in ("success", "stopped") for r in records), [r["result"] for r in records]
assert len({r["port"] for r in records if r["result"] == "success"}) == 4
PY
echo "bench CLI: all checks passed"
