#!/usr/bin/env bash
# The Windows modules' process path under Wine beside the Linux modules' on the same blocks:
# each module plays the same opening and is timed over 512-frame blocks at 64 bits (best of 5
# rounds), through its real entry points, the two alternating three times so that a busy
# machine slows both alike; the best figure of each counts. The target: Windows within 10 % of
# Linux.
#   bench/win/process_side_by_side.sh [BLOCKS]    (after the release and win64 builds)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
blocks="${1:-4000}"
native="$root/build/release" win="$root/build/win64"
status=0

per_block() { sed -n 's/.*process: \([0-9]*\) ns per.*/\1/p' | tr -d '\r'; }

run() {  # FORMAT LINUX_MODULE WINDOWS_MODULE
  local format="$1" linux_module="$2" win_module="$3"
  [ -e "$linux_module" ] && [ -e "$win_module" ] || { echo "$format: not built, skipped"; return; }
  local linux=999999999 windows=999999999 l w
  for _ in 1 2 3; do
    l="$("$native/tests/win/fluvia-module-check" bench "$format" "$linux_module" "$blocks" | per_block)"
    w="$("$root/tools/win/wine-run.sh" "$win/wine" "$win/tests/win/fluvia-module-check.exe" \
         bench "$format" "Z:$win_module" "$blocks" | per_block)"
    [ "$l" -ge "$linux" ] || linux="$l"
    [ "$w" -ge "$windows" ] || windows="$w"
  done
  awk -v f="$format" -v l="$linux" -v w="$windows" 'BEGIN {
    r = w / l
    printf "%s  Linux %7d ns/block   Windows (Wine) %7d ns/block   Windows/Linux %.2f  %s\n",
           f, l, w, r, (r <= 1.10 ? "within 10 %" : "SLOWER than the 10 % target")
    exit !(r <= 1.10) }' || status=1
}

run vst3 "$native/adapters/vst3/Fluvia.vst3" "$win/adapters/vst3/Fluvia.vst3"
run vst2 "$native/adapters/vst2/Fluvia.so" "$win/adapters/vst2/Fluvia.dll"
exit $status
