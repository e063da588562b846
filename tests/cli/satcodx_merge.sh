#!/usr/bin/env bash
# merge-satcodx and channels on the real lists, and their failures.
set -euo pipefail
CLI="$1"
LISTS="$2"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

"$CLI" sample-data -o box.dld > /dev/null
"$CLI" channels box.dld > before.txt
grep -q "Satellites (4)" before.txt

for list in "$LISTS"/*.sdx; do
  name=$(basename "$list" .sdx)
  "$CLI" merge-satcodx box.dld "$list" -o "$name.dld" --workdir work > "$name.log"
  grep -q "File saving, please wait..." "$name.log"
  "$CLI" info "$name.dld" > "$name.info"
  grep -q "every record holds" "$name.info"
done
"$CLI" channels astra192e_v105_chansort_telefunken.dld > astra.txt
grep -q "Das Erste HD" astra.txt
"$CLI" channels --format json turksat420e_v103_sirfi_sample.dld > turksat.json
python3 -c "import json,sys; d=json.load(open('turksat.json')); assert any(p['name'].startswith('TRT1') for p in d['programs']), 'TRT1 missing'"
"$CLI" channels --format csv turksat420e_v103_sirfi_sample.dld > turksat.csv
grep -q '^program,' turksat.csv

# A list of a satellite that the box does not have: nothing merged, nothing written.
sed 's/0420TUR/0050TUR/' "$LISTS/turksat420e_v103_sirfi_sample.sdx" > nowhere.sdx
set +e
"$CLI" merge-satcodx box.dld nowhere.sdx -o nowhere.dld --workdir work > nowhere.log 2>&1; rc_nowhere=$?
# A PID column with a blank after its digits is the conversion error.
python3 -c "
import sys
d = bytearray(open('$LISTS/astra192e_v103_chansort_silva_schneider.sdx','rb').read())
d[128*3+75:128*3+79] = b'160 '
open('bad.sdx','wb').write(d)"
"$CLI" merge-satcodx box.dld bad.sdx -o bad.dld --workdir work > bad.log 2>&1; rc_bad=$?
"$CLI" pack --set key -o key.dld box.dld > /dev/null 2>&1
"$CLI" merge-satcodx key.dld nowhere.sdx -o key2.dld --workdir work > key.log 2>&1; rc_key=$?
"$CLI" merge-satcodx box.dld missing.sdx -o m.dld --workdir work > missing.log 2>&1; rc_missing=$?
set -e
[ $rc_nowhere -eq 1 ] || { echo "unknown satellite: exit $rc_nowhere"; exit 1; }
grep -q "Name: Turksat (42.0E)   \[   5.0 \] not existing!" nowhere.log
[ ! -e nowhere.dld ]
[ $rc_bad -eq 1 ] || { echo "bad column: exit $rc_bad"; exit 1; }
grep -q "'160 ' is not a valid integer value" bad.log
[ ! -e bad.dld ]
[ $rc_missing -eq 1 ] || { echo "missing list: exit $rc_missing"; exit 1; }
grep -q "missing.sdx" missing.log

# One summary line per list; the same as JSON; no work directory left behind.
grep -q "turksat420e_v103_sirfi_sample.sdx: Turksat (42.0E)   \[  42.0 \]: 534 lines read, 534 programs and" \
  turksat420e_v103_sirfi_sample.log
[ -z "$(ls -A work)" ] || { echo "work directory left behind: $(ls work)"; exit 1; }
"$CLI" merge-satcodx box.dld "$LISTS/turksat420e_v103_sirfi_sample.sdx" -o j.dld --workdir work --format json > j.json
python3 -c "
import json; d = json.load(open('j.json'))['lists'][0]
assert d['lines_read'] == 534 and d['programs_merged'] == 534 and d['satellite_found'], d"
"$CLI" merge-satcodx box.dld "$LISTS/turksat420e_v103_sirfi_sample.sdx" -o k.dld --workdir work --keep-work \
  > /dev/null 2> keep.log
kept=$(sed -n 's/^tuneflash-cli: work files kept in //p' keep.log)
[ -f "$kept/SatcoDX_FileName.dld" ] || { echo "kept work directory missing: '$kept'"; exit 1; }

# Mixed line ends: every line is merged, as with the list as it came.
python3 -c "
d = open('$LISTS/turksat420e_v103_sirfi_sample.sdx','rb').read()
recs = [d[i:i+128] for i in range(0, 534 * 129, 129)]
ends = [b'\r\n', b'\n', b'', b'\r\n\r\n']
open('mixed.sdx','wb').write(b''.join(r + ends[i % 4] for i, r in enumerate(recs)) + b'\x1a')"
"$CLI" merge-satcodx box.dld mixed.sdx -o mixed.dld --workdir work > mixed.log
grep -q "534 lines read, 534 programs" mixed.log
cmp mixed.dld turksat420e_v103_sirfi_sample.dld

# Several merges of different inputs at once, twice over: each output from its own input.
for round in 1 2; do
  pids=()
  for list in "$LISTS"/*.sdx; do
    name=$(basename "$list" .sdx)
    "$CLI" merge-satcodx box.dld "$list" -o "par-$name.dld" > /dev/null 2>&1 & pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid"; done
  for list in "$LISTS"/*.sdx; do
    name=$(basename "$list" .sdx)
    cmp "par-$name.dld" "$name.dld" || { echo "round $round: $name built from another input"; exit 1; }
  done
done

# Not a record, and "_" outside the PID columns: the merge stops naming the line, nothing written.
python3 -c "
d = bytearray(open('$LISTS/turksat420e_v103_sirfi_sample.sdx','rb').read())
cut = bytes(d[:129 * 5]) + b'garbage' + bytes(d[129 * 5:])
open('garbage.sdx','wb').write(cut)
d[129 * 7 + 42] = ord('_')
open('underscore.sdx','wb').write(d)"
set +e
"$CLI" merge-satcodx box.dld garbage.sdx -o garbage.dld --workdir work > garbage.log 2>&1; rc_garbage=$?
"$CLI" merge-satcodx box.dld underscore.sdx -o underscore.dld --workdir work > underscore.log 2>&1; rc_under=$?
set -e
[ $rc_garbage -eq 1 ] && [ ! -e garbage.dld ] || { echo "garbage: exit $rc_garbage"; exit 1; }
grep -q 'garbage.sdx: line 6 (byte offset 645): no "SATCODX" where a record must start' garbage.log
[ $rc_under -eq 1 ] && [ ! -e underscore.dld ] || { echo "underscore: exit $rc_under"; exit 1; }
grep -q "underscore.sdx: line 8 (byte offset 903): '_' is not a valid integer value" underscore.log
echo "cli satcodx merge: 1 passed, 0 failed"
