#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang into build-fuzz/ and
# replays each committed corpus of tests/fuzz/corpus/ once (seconds).
# "scripts/fuzz.sh long [runs]" fuzzes each target in turn instead, niced,
# for runs executions (1,000,000 unless given) or at most an hour; new inputs
# go to build-fuzz/corpus/<target>/, crashing ones to build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOBRELL_FUZZ=ON >/dev/null
cmake --build build-fuzz --target fuzzers --parallel "$(nproc)"
status=0
for corpus in tests/fuzz/corpus/*/; do
  target=$(basename "$corpus")
  fuzzer=build-fuzz/tests/fuzz/fuzz_$target
  if [ "${1:-}" = long ]; then
    mkdir -p "build-fuzz/corpus/$target" build-fuzz/findings
    echo "fuzz_$target: ${2:-1000000} runs"
    # The settings and history targets write a file per input: memory is faster than a disk.
    TMPDIR=$( [ -d /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}") nice "$fuzzer" -runs="${2:-1000000}" -max_total_time=3600 -print_final_stats=1 \
      -artifact_prefix="build-fuzz/findings/$target-" "build-fuzz/corpus/$target" "$corpus" || status=1
  elif output=$("$fuzzer" -runs=0 "$corpus" 2>&1); then
    echo "fuzz_$target: $(grep '^Done' <<<"$output")"
  else
    echo "$output"
    status=1
  fi
done
exit $status
