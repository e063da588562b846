#!/usr/bin/env bash
# Write access to the database's tables stays inside src/boxdb: no other file
# includes boxdb/table_access.h or names TableAccess.
set -euo pipefail
cd "$(dirname "$0")/../.."
found=$(grep -rlE 'boxdb/table_access\.h|TableAccess' src tools tests bench fuzz --include='*.cpp' --include='*.h' |
        grep -v '^src/boxdb/' || true)
if [ -n "$found" ]; then
  echo "write access to the database tables outside src/boxdb:"
  echo "$found"
  exit 1
fi
echo "table access: only src/boxdb"
