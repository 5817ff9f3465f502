#!/usr/bin/env bash
# Plays the same work through a Linux module natively and through its Windows build under
# Wine, and compares the results.
#   compare_with_linux.sh render64|render32|state|preset FORMAT NATIVE_CHECK LINUX_MODULE \
#                         WIN_CHECK WIN_MODULE WINE_STATE WORK_DIR
# preset: each side's preset installer lays the factory presets into its platform's documents
# folder (on Windows the common documents folder of the Wine prefix), and both modules play the
# performance from library preset 3, which they read from there.
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
  preset)
    native_installer="$(dirname "$native_check")/../../tools/presets/fluvia-install-presets"
    win_installer="$(dirname "$win_check")/../../tools/presets/fluvia-install-presets.exe"
    # The Linux side gets a scratch home, so its documents folder is $work/home/Documents.
    export HOME="$work/home"
    unset XDG_CONFIG_HOME
    mkdir -p "$HOME"
    "$native_installer" >/dev/null
    "$wine_run" "$wine_state" "$win_installer" >/dev/null
    folder="$("$wine_run" "$wine_state" "$win_installer" --print-folder | tr -d '\r')"
    echo "Windows preset folder: $folder"
    [ "$folder" = "C:/users/Public/Documents/VelmoraAudio/Fluvia/Presets/" ] ||
      { echo "FAIL: the presets are not in the common documents folder" >&2; exit 1; }
    ls "$wine_state/prefix/drive_c/users/Public/Documents/VelmoraAudio/Fluvia/Presets/Factory/"
    "$native_check" render "$format" "$linux_module" 64 "$work/linux-default.raw"
    "$native_check" render "$format" "$linux_module" 64 "$work/linux.raw" 3
    "$wine_run" "$wine_state" "$win_check" render "$format" "$(win_path "$win_module")" 64 \
      "$(win_path "$work/windows.raw")" 3
    # The preset must make a difference, or the comparison would not show it was read.
    if "$native_check" compare-samples "$work/linux-default.raw" "$work/linux.raw" 0 >/dev/null 2>&1; then
      echo "FAIL: playing from the preset sounds like playing without it" >&2
      exit 1
    fi
    "$native_check" compare-samples "$work/linux.raw" "$work/windows.raw" 1e-9
    ;;
  *) echo "unknown mode $mode" >&2; exit 2 ;;
esac
