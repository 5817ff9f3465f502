#!/usr/bin/env bash
# The Windows installer, as a user runs it: silently into the Wine prefix, then the installed
# VST3 bundle is loaded from the common VST3 folder and plays library preset 3 from the common
# documents folder exactly as the Linux module does; the uninstaller removes the modules and
# leaves the presets.
# With the Linux VST2 module given too, the installer must also have put the VST2 DLL in the
# common VST2 folder, and it must play as the Linux one does.
#   installer_check.sh NATIVE_CHECK LINUX_MODULE WIN_CHECK SETUP_EXE WINE_STATE WORK_DIR \
#                      [LINUX_VST2_MODULE]
set -euo pipefail
native_check="$1" linux_module="$2" win_check="$3" setup="$4" wine_state="$5" work="$6"
linux_vst2="${7:-}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
wine_run="$here/../../tools/win/wine-run.sh"
[ -x "$native_check" ] || { echo "FAIL: $native_check missing: build the release preset first" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work/home"
drive_c="$wine_state/prefix/drive_c"
bundle="$drive_c/Program Files/Common Files/VST3/Fluvia.vst3"
vst2_dll="$drive_c/Program Files/VSTPlugins/Fluvia.dll"
presets="$drive_c/users/Public/Documents/VelmoraAudio/Fluvia/Presets"
# A preset of the user's own must survive installing and uninstalling.
mkdir -p "$presets/User"
own="$presets/User/My Stream.fluviapreset"
echo "the user's own" >"$own"
rm -rf "$bundle" "$vst2_dll"

"$wine_run" "$wine_state" "Z:$setup" /S
[ -f "$bundle/Contents/x86_64-win/Fluvia.vst3" ] || { echo "FAIL: no bundle in the VST3 folder" >&2; exit 1; }
[ -f "$bundle/Contents/Resources/moduleinfo.json" ] || { echo "FAIL: the bundle has no moduleinfo.json" >&2; exit 1; }
[ "$(ls "$presets/Factory" | wc -l)" -ge 6 ] && [ -d "$presets/User" ] ||
  { echo "FAIL: the factory presets are not in the common documents folder" >&2; exit 1; }
echo "installed: $(cd "$drive_c" && ls -d "Program Files/Common Files/VST3/Fluvia.vst3") and $(ls "$presets/Factory" | wc -l) factory presets"

HOME="$work/home" "$wine_run" "$wine_state" "$win_check" render vst3 \
  'C:\Program Files\Common Files\VST3\Fluvia.vst3' 64 "Z:$work/windows.raw" 3
(export HOME="$work/home"; unset XDG_CONFIG_HOME
 "$(dirname "$native_check")/../../tools/presets/fluvia-install-presets" >/dev/null
 "$native_check" render vst3 "$linux_module" 64 "$work/linux.raw" 3)
"$native_check" compare-samples "$work/linux.raw" "$work/windows.raw" 1e-9
if [ -n "$linux_vst2" ]; then
  [ -f "$vst2_dll" ] || { echo "FAIL: no Fluvia.dll in the VST2 folder" >&2; exit 1; }
  "$wine_run" "$wine_state" "$win_check" render vst2 'C:\Program Files\VSTPlugins\Fluvia.dll' 64 \
    "Z:$work/windows-vst2.raw"
  "$native_check" render vst2 "$linux_vst2" 64 "$work/linux-vst2.raw"
  "$native_check" compare-samples "$work/linux-vst2.raw" "$work/windows-vst2.raw" 1e-9
fi

uninstaller='C:\Program Files\VelmoraAudio\Fluvia\Uninstall Fluvia.exe'
# The uninstaller copies itself away and runs from there: wait until Wine has nothing left.
"$wine_run" "$wine_state" "$uninstaller" /S
WINEPREFIX="$wine_state/prefix" wineserver -w
[ ! -e "$bundle" ] && [ ! -e "$vst2_dll" ] || { echo "FAIL: the uninstaller left a module" >&2; exit 1; }
[ "$(ls "$presets/Factory" | wc -l)" -ge 6 ] || { echo "FAIL: the uninstaller removed presets" >&2; exit 1; }
[ "$(cat "$own")" = "the user's own" ] || { echo "FAIL: the user's preset was touched" >&2; exit 1; }
rm -f "$own"
echo "uninstalled; the presets stay"
