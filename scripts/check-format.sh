#!/usr/bin/env bash
# Fails, naming the files, when a source of src/, tests/ or bench/ is not as
# clang-format (.clang-format) writes it; "scripts/check-format.sh fix"
# formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(find src tests bench -name '*.cpp' -o -name '*.h' | sort)
if [ "${1:-}" = fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
unformatted=()
for file in "${files[@]}"; do
  clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "Not formatted (scripts/check-format.sh fix formats them): ${unformatted[*]}" >&2
  exit 1
fi
