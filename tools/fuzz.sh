#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang with the address and undefined behaviour
# sanitizers) and runs each for a number of executions (default one million), starting from
# the inputs in tests/fuzz/corpus/<target>. Installs clang and its fuzzer runtime when missing.
#   bash tools/fuzz.sh [runs]
set -euo pipefail
cd "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs="${1:-1000000}"
bash tools/setup/install-deps.sh tools/setup/fuzz-packages.txt
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
for target in fuzz_vst2_chunk fuzz_state_reader fuzz_lv2_events fuzz_lv2_state; do
  seeds="tests/fuzz/corpus/$target"
  work="build/fuzz/corpus/$target"
  mkdir -p "$work"
  echo "== $target: $runs runs"
  "build/fuzz/tests/fuzz/$target" -runs="$runs" -max_len=4096 -print_final_stats=1 \
      -artifact_prefix="build/fuzz/$target-" "$work" "$seeds"
done
