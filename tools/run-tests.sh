#!/usr/bin/env bash
# The whole test suite: the Release build with every test (including the real hosts), the
# suite again under AddressSanitizer + UndefinedBehaviorSanitizer, and the threaded tests
# under ThreadSanitizer, then the packages made from the Release build (see
# tools/package/test-packages.sh).
set -euo pipefail
cd "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

for preset in release asan tsan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

echo "== packages"
bash tools/package/test-packages.sh
