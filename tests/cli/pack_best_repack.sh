#!/usr/bin/env bash
# pack --best and repack through the real tuneflash-cli: the files verify,
# unpack to the same images and flash the real tuneflash-boxsim to the same
# contents as the LZO1X-1 file; repack without --best gives pack's bytes back,
# and a corrupt source writes nothing.
set -euo pipefail
CLI="$1"
BOXSIM="$2"
source "$(dirname "$0")/../../scripts/boxsim-session.sh"
cd "$WORK"

# Stand-in firmware: pieces of a real program, some shorter than their partition.
sizes=(16384 8192 8192 32768)
images=()
for i in 0 1 2 3; do
  dd if="$CLI" of="img$i.bin" bs=4096 skip=$((i * 40000)) count=$((sizes[i] - i * 1000)) \
    iflag=skip_bytes,count_bytes status=none
  images+=("img$i.bin")
done
"$CLI" pack --set loader --manufacture BESTTEST -o fast.dld "${images[@]}" > /dev/null
"$CLI" pack --set loader --manufacture BESTTEST --best -o best.dld "${images[@]}" > /dev/null
"$CLI" repack --best fast.dld -o repacked.dld > /dev/null
[ "$(stat -c %s best.dld)" -lt "$(stat -c %s fast.dld)" ]
cmp best.dld repacked.dld

# Both verify, show their ratios, and unpack to the same images.
for f in fast best repacked; do
  "$CLI" info $f.dld > $f.txt
  grep -q "every record holds" $f.txt
  grep -qE "^Compression: +[0-9]+ raw bytes packed to [0-9]+, ratio 0\.[0-9]{3}$" $f.txt
  "$CLI" unpack $f.dld $f.out > /dev/null
done
diff -r fast.out best.out
diff -r fast.out repacked.out

# Back to LZO1X-1: the very bytes pack wrote.
"$CLI" repack best.dld -o again.dld > /dev/null
cmp fast.dld again.dld

# Each file into a fresh strict box; the flash contents must agree.
flash() {
  start_box "$BOXSIM" "$WORK/box" sim.log --flash "$WORK/$1.flash"
  "$CLI" download --port "$WORK/box" "$1.dld" > "$1.down"
  grep -qx "Update Success!" "$1.down"
  stop_box
  grep -q "stopped after 1 download(s)" sim.log
}
for f in fast best repacked; do flash $f; done
cmp fast.flash best.flash
cmp fast.flash repacked.flash

# A corrupt source: exit 1, the record named, no output and no leftover beside it.
cp best.dld bad.dld
printf '\x55' | dd of=bad.dld bs=1 seek=$(($(stat -c %s bad.dld) - 20)) conv=notrunc status=none
set +e
"$CLI" repack --best bad.dld -o out.dld 2> bad.txt; rc=$?
set -e
[ $rc -eq 1 ] || { echo "corrupt source: exit $rc"; exit 1; }
grep -q "the data record of partition 4, offset .*check value mismatch; nothing written" bad.txt
[ -z "$(ls | grep '^out\.dld')" ]
echo "cli pack --best/repack: all checks passed"
