#!/usr/bin/env bash
# Configures and builds everything (program, tests, benchmarks) into build/;
# with "sanitized", the program and tests with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-sanitized/.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = sanitized ]; then
  cmake -S . -B build-sanitized -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOBRELL_SANITIZE=ON >/dev/null
  cmake --build build-sanitized --parallel "$(nproc)"
else
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build --parallel "$(nproc)"
fi
