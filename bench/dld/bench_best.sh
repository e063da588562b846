#!/usr/bin/env bash
# LZO1X-1 against LZO1X-999 (pack --best) on an ALL set of stand-in firmware:
# the project's own built programs and libraries, stripped and cut to the
# partition sizes. Prints file sizes, packing times, and the download time of
# both files against one simulated box paced at 115200 8E1, in the same run.
# The paced part takes several minutes; "bench_best default" downloads a
# Default set instead. Prints figures; asserts nothing.
set -euo pipefail
SET="${1:-all}"
BIN="$(cd "$(dirname "$0")" && pwd)"
BUILD="$(dirname "$BIN")"
CLI="$BIN/tuneflash-cli"
BOXSIM="$BIN/tuneflash-boxsim"
for p in "$CLI" "$BOXSIM"; do
  [ -x "$p" ] || { echo "bench_best: $p is not built"; exit 0; }
done
source "$BIN/boxsim-session.sh"
now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
share() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

# Stand-in firmware: stripped code and data of what the build made.
: > "$WORK/stream.bin"
while IFS= read -r f; do
  strip -o "$WORK/one" "$f" 2>/dev/null || cp "$f" "$WORK/one"
  cat "$WORK/one" >> "$WORK/stream.bin"
done < <(find "$BIN" "$BUILD/src" "$BUILD/tools" -maxdepth 3 -type f \
           \( -name '*.a' -o -name '*.so' -o -perm -u+x \) ! -name '*.sh' ! -name 'bench_best' | sort)
sizes=()
for i in $(seq 0 29); do sizes+=(65536); done
sizes+=(32768 8192 8192 16384)
need=0
for s in "${sizes[@]}"; do need=$((need + s)); done
while [ "$(stat -c %s "$WORK/stream.bin")" -lt "$need" ]; do
  cat "$WORK/stream.bin" "$WORK/stream.bin" > "$WORK/twice.bin" && mv "$WORK/twice.bin" "$WORK/stream.bin"
done
images=()
offset=0
for i in "${!sizes[@]}"; do
  dd if="$WORK/stream.bin" of="$WORK/img$i.bin" bs=65536 skip=$offset count=${sizes[i]} \
    iflag=skip_bytes,count_bytes status=none
  offset=$((offset + sizes[i]))
  images+=("$WORK/img$i.bin")
done

t0=$(now); "$CLI" pack --set all -o "$WORK/all-fast.dld" "${images[@]}" > /dev/null; t1=$(now)
"$CLI" pack --set all --best -o "$WORK/all-best.dld" "${images[@]}" > /dev/null; t2=$(now)
fast=$(stat -c %s "$WORK/all-fast.dld")
best=$(stat -c %s "$WORK/all-best.dld")
echo "ALL set of stand-in firmware: 34 partitions, $need bytes raw"
echo "  LZO1X-1:   $fast bytes, packed in $(seconds "$t0" "$t1") s"
echo "  LZO1X-999: $best bytes ($(share "$best" "$fast") of LZO1X-1), packed in" \
  "$(seconds "$t1" "$t2") s (pack --best)"
t3=$(now); "$CLI" repack --best "$WORK/all-fast.dld" -o "$WORK/all-repacked.dld" > /dev/null; t4=$(now)
echo "  repack --best of the LZO1X-1 file: $(seconds "$t3" "$t4") s, $(cmp -s "$WORK/all-best.dld" \
  "$WORK/all-repacked.dld" && echo "same bytes as pack --best" || echo "DIFFERS from pack --best")"

# The paced downloads: the ALL files, or for a quick look a Default set of
# the first two images.
case "$SET" in
  all)
    cp "$WORK/all-fast.dld" "$WORK/fast.dld"
    cp "$WORK/all-best.dld" "$WORK/best.dld"
    ;;
  default)
    "$CLI" pack --set default -o "$WORK/fast.dld" "${images[0]}" "${images[1]}" > /dev/null
    "$CLI" pack --set default --best -o "$WORK/best.dld" "${images[0]}" "${images[1]}" > /dev/null
    ;;
  *) echo "bench_best: the paced part takes the set 'all' or 'default'"; exit 2 ;;
esac

start_box "$BOXSIM" "$WORK/box" "$WORK/sim.log" --wire-rate 115200 --flash "$WORK/box.flash"
# Prints "whole transfer" in seconds: from the download's start to "Update
# Success!", and from "Transfer..." to "Transfer Success!".
download() {
  local start line stamp transfer="" done=""
  start=$(now)
  while IFS= read -r line; do
    stamp=$(now)
    case "$line" in
      Transfer...) transfer=$stamp ;;
      "Transfer Success!") done=$stamp ;;
    esac
  done < <("$CLI" download --port "$WORK/box" "$1")
  echo "$(seconds "$start" "$(now)") $(seconds "$transfer" "$done")"
}
read -r fastAll fastTransfer < <(download "$WORK/fast.dld")
cp "$WORK/box.flash" "$WORK/fast.flash"
read -r bestAll bestTransfer < <(download "$WORK/best.dld")
same=$(cmp -s "$WORK/fast.flash" "$WORK/box.flash" && echo "same flash contents" || echo "flash DIFFERS")
stop_box
downloads=$(grep -o 'after [0-9]* download' "$WORK/sim.log" | grep -o '[0-9]*' || echo 0)
echo "Download of the $SET set at 115200 8E1 (paced box, $downloads downloads completed, $same):"
echo "  LZO1X-1:   $(stat -c %s "$WORK/fast.dld") bytes, ${fastAll} s in all, ${fastTransfer} s of transfer"
echo "  LZO1X-999: $(stat -c %s "$WORK/best.dld") bytes, ${bestAll} s in all, ${bestTransfer} s of transfer"
echo "  time of --best against LZO1X-1: $(share "$bestAll" "$fastAll") in all," \
  "$(share "$bestTransfer" "$fastTransfer") of transfer (goal: <= 0.85)"
