#!/usr/bin/env bash
# The whole test suite: the Release build with every test (including the real hosts), the
# Windows modules cross-built and checked under Wine against that Release build, the suite
# again under AddressSanitizer + UndefinedBehaviorSanitizer, and the threaded tests under
# ThreadSanitizer, then the packages made from the Release and Windows builds (see
# tools/package/test-packages.sh).
set -euo pipefail
cd "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# The Windows stage needs the cross compiler and Wine (tools/setup/packages.txt); it compares
# with the Release build, so it comes right after it.
presets=(release)
if command -v x86_64-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null; then
  presets+=(win64)
else
  echo "== win64 skipped: mingw-w64 (posix) or Wine is not installed"
fi
presets+=(asan tsan)

for preset in "${presets[@]}"; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

echo "== packages"
bash tools/package/test-packages.sh
