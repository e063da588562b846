#!/usr/bin/env bash
# Runs one fuzz target over its seeds, then for SECONDS on new inputs, which it
# keeps in WORK_DIR (the seed directories are only read). Prints the target's
# runs per second. Usage: run_fuzz_target.sh TARGET SECONDS WORK_DIR SEED_DIR... (missing ones are skipped)
set -euo pipefail
target=$1 seconds=$2 work=$3
shift 3
seeds=()
for dir in "$@"; do
  if [ -d "$dir" ]; then seeds+=("$dir"); fi
done
mkdir -p "$work"
log=$work.log
status=0
"$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 -print_final_stats=1 \
  -artifact_prefix="$work-" "$work" "${seeds[@]}" >"$log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  cat "$log"
  exit "$status"
fi
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
echo "$(basename "$target"): $runs runs, $rate runs/s, $(ls "$work" | wc -l) new inputs kept in $work"
