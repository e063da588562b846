#!/usr/bin/env bash
# Runs every benchmark that has been built and prints its figures.
set -euo pipefail
BIN="${1:-build/bin}"
for b in "$BIN"/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b"
done
