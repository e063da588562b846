#!/usr/bin/env bash
# clang-format over every C++ file of the repository, with its .clang-format.
#   format.sh           rewrites the files in place
#   format.sh --check   changes nothing; lists the files that differ, fails if any
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null ||
                     find src tools tests bench fuzz -name '*.cpp' -o -name '*.h')
if [ "${1:-}" != "--check" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -ne 0 ]; then
  echo "not clang-formatted (make format fixes them):"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
echo "format: ${#files[@]} files clang-formatted"
