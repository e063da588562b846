#!/usr/bin/env bash
# The channel edits of tuneflash-cli on the sample database and on one filled
# from the real lists: each edit as `channels --format json` then lists it,
# the spreadsheet round trip, a bad row, and an edited file through the
# simulated box and back.
set -euo pipefail
CLI="$1"
BOXSIM="$2"
LISTS="$3"
source "$(dirname "$(readlink -f "$0")")/sim_work.sh"
# check FILE.dld PYTHON-EXPRESSION: the expression holds over the JSON listing
# (`p`: the programs in list order, `names`: their names).
check() {
  "$CLI" channels --format json "$1" > check.json
  python3 -c "
import json, sys
p = json.load(open('check.json'))['programs']
names = [x['name'] for x in p]
assert $2, '$1: ' + repr(names[:8]) + ' ... ' + str(len(p))"
}

"$CLI" sample-data -o sample.dld > /dev/null
"$CLI" merge-satcodx sample.dld "$LISTS"/*.sdx -o real.dld --workdir . > /dev/null
check real.dld "len(p) > 1000"

for db in sample real; do
  "$CLI" channels --format json $db.dld > $db.json
  n=$(python3 -c "import json; print(len(json.load(open('$db.json'))['programs']))")
  first=$(python3 -c "import json; print(json.load(open('$db.json'))['programs'][0]['slot'])")
  "$CLI" channels rename $db.dld --slot "$first" --to "Umbenannt" -o r.dld > out.txt
  grep -qx "renamed 1, moved 0, deleted 0, favourites changed 0" out.txt
  check r.dld "names[0] == 'Umbenannt' and len(p) == $n"
  "$CLI" channels delete $db.dld --slot "$first" -o d.dld > /dev/null
  check d.dld "len(p) == $n - 1 and p[0]['slot'] != $first"
  "$CLI" channels move $db.dld --slot "$first" --to $n -o m.dld > out.txt
  grep -q "moved 1" out.txt
  check m.dld "p[-1]['slot'] == $first and len(p) == $n"
  "$CLI" channels fav $db.dld --add 3 --satellite 13.0 --name 'old*' -o f.dld > /dev/null
  check f.dld "all((3 in x['favourites']) == (x['satellite'] == 1 and x['name'].startswith('Old')) for x in p)"
  "$CLI" channels fav f.dld --remove 3 --name '*' -o g.dld > /dev/null
  check g.dld "not any(x['favourites'] for x in p)"
  "$CLI" channels delete $db.dld --type tv --dry-run > out.txt
  grep -q "(dry run: nothing written)" out.txt

  # Export, apply without changes: the same bytes.
  "$CLI" channels export $db.dld -o $db.csv > /dev/null
  "$CLI" channels apply $db.dld $db.csv -o same.dld > /dev/null
  cmp $db.dld same.dld
done

# Rows reordered (places cleared), one renamed, two removed, favourites given.
python3 -c "
import csv
rows = list(csv.reader(open('real.csv', newline='', encoding='utf-8')))
head, body = rows[0], rows[1:]
body = body[::-1][2:]
body[0][2] = 'Caf\u00e9 am Ende'
body[1][9] = '1 8'
for r in body: r[0] = ''
csv.writer(open('edited.csv', 'w', newline='', encoding='utf-8')).writerows([head] + body)
open('expect.txt', 'w').write(' '.join(r[1] for r in body))"
"$CLI" channels apply real.dld edited.csv -o applied.dld > applied.log
grep -q "renamed 1, .* deleted 2, favourites changed 2" applied.log
check applied.dld "' '.join(str(x['slot']) for x in p) == open('expect.txt').read() and names[0] == 'Caf\u00e9 am Ende' and p[1]['favourites'] == [1, 8]"

# A group holds 200 programs: a 201st is refused and nothing written.
set +e
"$CLI" channels fav real.dld --add 3 --satellite 19.2 -o full.dld > /dev/null 2> full.err; rc=$?
set -e
[ $rc -eq 1 ] || { echo "full group: exit $rc"; exit 1; }
grep -q "holds at most 200 programs); nothing written" full.err
[ ! -e full.dld ]

# A bad row: its line named, nothing written, even over an existing output.
sed '5s/^\([^,]*\),[0-9]*,/\1,3999,/' real.csv > badslot.csv
cp sample.dld kept.dld
set +e
"$CLI" channels apply real.dld badslot.csv -o kept.dld > bad.out 2> bad.err; rc=$?
"$CLI" channels apply real.dld edited.csv -o real.dld > /dev/null 2> same.err; rc_same=$?
set -e
[ $rc -eq 1 ] || { echo "bad row: exit $rc"; exit 1; }
grep -q "line 5: slot 3999 names no program in use; nothing written" bad.err
cmp sample.dld kept.dld
[ $rc_same -eq 2 ] || { echo "output over input: exit $rc_same"; exit 1; }
grep -q "needs --in-place" same.err

# The order of a reference; then the edited file through the simulated box.
# Programs of the same transponder and service id (the box keeps its low byte)
# and name are alike: compare what they are, not their slots.
"$CLI" channels order real.dld --like applied.dld -o ordered.dld > /dev/null
"$CLI" channels --format json applied.dld > applied.json
check ordered.dld "[(x['transponder'], x['service_id']) for x in p[:-2]] == [(x['transponder'], x['service_id']) for x in json.load(open('applied.json'))['programs']]"
"$BOXSIM" --link "$WORK/box" --no-announce > sim.log 2>&1 &
SIM_PID=$!
for _ in $(seq 100); do [ -e "$WORK/box" ] && break; sleep 0.05; done
"$CLI" download --port "$WORK/box" applied.dld > down.txt
grep -qx "Update Success!" down.txt
"$CLI" upload --port "$WORK/box" --set data back.dld > up.txt
"$CLI" channels back.dld > back.txt
LC_ALL=C grep -qa "Caf. am Ende" back.txt
check back.dld "' '.join(str(x['slot']) for x in p) == open('expect.txt').read() and p[1]['favourites'] == [1, 8]"
echo "channel edits: ok"
