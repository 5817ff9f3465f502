#!/usr/bin/env bash
# Plays the same work through a Linux module natively and through its Windows build under
# Wine, and compares the results.
#   compare_with_linux.sh render64|render32|state FORMAT NATIVE_CHECK LINUX_MODULE \
#                         WIN_CHECK WIN_MODULE WINE_STATE WORK_DIR
set -euo pipefail
mode="$1" format="$2" native_check="$3" linux_module="$4" win_check="$5" win_module="$6"
wine_state="$7" work="$8"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
wine_run="$here/../../tools/win/wine-run.sh"

if [ ! -x "$native_check" ] || [ ! -e "$linux_module" ]; then
  echo "FAIL: the Linux reference is missing ($native_check, $linux_module):" \
       "build the release preset first" >&2
  exit 1
fi
rm -rf "$work"
mkdir -p "$work"
win_path() { echo "Z:$1"; }  # Wine's Z: drive is the Linux root

case "$mode" in
  render64|render32)
    bits="${mode#render}"
    "$native_check" render "$format" "$linux_module" "$bits" "$work/linux.raw"
    "$wine_run" "$wine_state" "$win_check" render "$format" "$(win_path "$win_module")" "$bits" \
      "$(win_path "$work/windows.raw")"
    # 64-bit processing must agree to 1e-9; 32-bit output may round differently in the last
    # bit of a float.
    tolerance=1e-9
    [ "$bits" = 64 ] || tolerance=1e-6
    "$native_check" compare-samples "$work/linux.raw" "$work/windows.raw" "$tolerance"
    ;;
  state)
    "$native_check" state "$format" "$linux_module" "$work/linux.state"
    "$wine_run" "$wine_state" "$win_check" state "$format" "$(win_path "$win_module")" \
      "$(win_path "$work/windows.state")"
    # The saved state is a platform-neutral block: the same bytes on both.
    "$native_check" compare-bytes "$work/linux.state" "$work/windows.state"
    ;;
  *) echo "unknown mode $mode" >&2; exit 2 ;;
esac
