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
echo "cli satcodx merge: 1 passed, 0 failed"
