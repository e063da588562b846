#!/usr/bin/env bash
# pack an ALL set from generated images, verify it with info, unpack it and
# compare; then info on broken files must exit 1 or 2 and name the record.
set -euo pipefail
CLI="$1"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

images=()
for i in $(seq 0 33); do
  size=65536
  case $i in 30) size=32768 ;; 31|32) size=8192 ;; 33) size=16384 ;; esac
  head -c $((size / 2)) /dev/urandom > "img$i.bin"
  images+=("img$i.bin")
done
"$CLI" pack --set all --manufacture TESTMAKER --hw-module HW1 -o all.dld "${images[@]}"
"$CLI" info all.dld > info.txt
grep -q "Partitions:        34" info.txt
grep -q "every record holds" info.txt
grep -q "Manufacture Ident: TESTMAKER" info.txt

"$CLI" unpack all.dld out > /dev/null
for i in $(seq 0 33); do
  f=$(ls out/$(printf %02d "$((i + 1))")_*.bin)
  n=$(stat -c %s "img$i.bin")
  cmp -n "$n" "img$i.bin" "$f"
  # the rest of the partition is erased flash
  if [ "$(tail -c +$((n + 1)) "$f" | tr -d '\377' | wc -c)" -ne 0 ]; then echo "padding of $f is not 0xFF"; exit 1; fi
done

"$CLI" set-ident all.dld 1 > /dev/null
"$CLI" info all.dld > info2.txt
grep -q "Ident for nocheck: 1" info2.txt

# A flipped byte in the third data record.
cp all.dld bad.dld
off=$(( $(stat -c %s all.dld) / 2 ))
printf '\x55\xAA' | dd of=bad.dld bs=1 seek=$off conv=notrunc status=none
set +e
"$CLI" info bad.dld > bad.txt; rc=$?
"$CLI" info missing.dld 2> missing.txt; rc_missing=$?
head -c 50 all.dld > short.dld
"$CLI" info short.dld > short.txt; rc_short=$?
"$CLI" pack --set key -o x.dld img0.bin img1.bin 2>/dev/null; rc_usage=$?
set -e
[ $rc -eq 1 ] || { echo "corrupt file: exit $rc"; exit 1; }
grep -qE "FAILED at the (data|partition) record of partition" bad.txt
[ $rc_missing -eq 2 ] || { echo "missing file: exit $rc_missing"; exit 1; }
grep -q "missing.dld" missing.txt
[ $rc_short -eq 1 ] || { echo "short file: exit $rc_short"; exit 1; }
grep -q "FAILED at the header record" short.txt
[ $rc_usage -eq 2 ] || { echo "usage error: exit $rc_usage"; exit 1; }
[ ! -e x.dld ]
echo "cli pack/info/unpack: 1 passed, 0 failed"
