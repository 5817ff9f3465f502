#!/usr/bin/env bash
# The Windows installer under Wine, in a fresh scratch prefix:
#   1. the previous version (its factory presets from presets/factory/earlier) installs
#      silently; the test saves a user preset, changes one factory preset and deletes another;
#   2. this version installs over it, with another VST2 folder: the modules are replaced
#      (the VST2 module moves), the factory presets left unchanged become this version's, the
#      deleted one is laid again, the changed one and the user preset stay;
#   3. the modules and factory presets are where hosts and the plug-in look for them (and,
#      with the Windows module check, both modules play from there, the VST3 one from a
#      factory preset); the install folder holds the licence and read-me written for Windows
#      and the log naming the four folders; the uninstall entry has its icon, size,
#      publisher, version and help link; the installer and the uninstaller carry version
#      information of their own (read by Windows' version library, with the module check);
#   4. the uninstaller runs silently and only the test's two presets remain.
#
#   bash tools/package/test-win-installer.sh --modules DIR [--installer FILE] [--host EXE]
#
# DIR holds the Windows Fluvia.vst3 bundle, Fluvia.dll and Fluvia.clap; FILE is this version's installer
# made from them (made here when not given; the older one is always made here). --host names the Windows module
# check (fluvia-module-check.exe), run as: EXE render vst3|vst2|clap MODULE 64 OUT [PRESET].
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/common.sh"
modules="" host="" setup=""
while [ $# -gt 0 ]; do
  case "$1" in
    --modules) modules="$2"; shift 2 ;;
    --installer) setup="$2"; shift 2 ;;
    --host) host="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"; shift 2 ;;
    *) echo "usage: test-win-installer.sh --modules DIR [--installer FILE] [--host EXE]" >&2; exit 2 ;;
  esac
done
version="$project_version"

scratch="$(mktemp -d)"
cleanup() {
  WINEPREFIX="$scratch/prefix" wineserver -k 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# The previous version: the last folder of the earlier versions' factory presets.
previous="$(ls -d "$root"/presets/factory/earlier/*/ | sort -V | tail -1)"
previous="${previous%/}"
# (In a folder of its own: the two versions' installers may carry the same name.)
old_setup="$scratch/previous/Fluvia-$(basename "$previous")-win64-setup.exe"
bash "$here/make-installer.sh" --version "$(basename "$previous")" --modules "$modules" \
  --presets "$previous" --out "$old_setup" >/dev/null
if [ -z "$setup" ]; then
  setup="$scratch/Fluvia-$version-win64-setup.exe"
  bash "$here/make-installer.sh" --version "$version" --modules "$modules" \
    --presets "$root/presets/factory" --out "$setup" >/dev/null
fi

export HOME="$scratch/home" WINEPREFIX="$scratch/prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko prompts in a fresh prefix
mkdir -p "$HOME"
c="$WINEPREFIX/drive_c"
vst3="$c/Program Files/Common Files/VST3/Fluvia.vst3"
clap="$c/Program Files/Common Files/CLAP/Fluvia.clap"
old_vst2_dir="$c/Program Files/VSTPlugins"
vst2_dir="$c/Audio/VST2"
presets="$c/users/Public/Documents/VelmoraAudio/Fluvia/Presets"
install_folder="$c/Program Files/VelmoraAudio/Fluvia"
uninstaller="$install_folder/Uninstall Fluvia.exe"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Fluvia'
# Runs a Windows program and waits for every process it started; its own exit status counts.
run() {
  local status=0
  wine "$@" </dev/null || status=$?
  wineserver -w
  return "$status"
}

# The value of one entry of the uninstall key, as Windows' reg tool prints it.
uninstall_value() {
  wine reg query "$uninstall_key" /v "$1" </dev/null 2>/dev/null | tr -d '\r' \
    | sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}
# A Windows path inside the prefix, as a Unix path (C: is drive_c).
unix_path() { printf '%s' "$1" | sed 's|^[Cc]:|'"$c"'|; s|\\|/|g'; }
# A text written for Windows: every line ends in CR LF, the last one too.
check_crlf() {  # FILE WHAT
  [ -s "$1" ] || fail "no $2"
  [ "$(grep -c -v $'\r$' "$1")" = 0 ] || fail "the $2 has lines without CR LF"
  [ "$(tail -c 2 "$1" | od -An -c | tr -d ' ')" = '\r\n' ] || fail "the $2 does not end in CR LF"
}

check_release_files() {
  local licence="$install_folder/License.txt" readme="$install_folder/Readme.txt"
  check_crlf "$licence" "licence"
  # Written for Windows: no path of a Linux system (a URL's path is no such thing).
  if grep -n -E '(^|[^[:alnum:]._:/-])/(usr|etc|home|opt|var|lib|bin|tmp|root|share)(/|[[:space:]]|$)|~/' \
      "$licence" >&2; then
    fail "the licence names Linux paths"
  fi
  for text in 'C:\Program Files\Common Files\VST3\Fluvia.vst3' 'GNU GENERAL PUBLIC LICENSE' \
              'Version 3, 29 June 2007' 'Steinberg Media Technologies' 'BSD 3-clause' \
              'PNG Reference Library License version 2' 'Jean-loup Gailly and Mark Adler'; do
    grep -q -F "$text" "$licence" || fail "the licence lacks '$text'"
  done
  [ ! -e "$install_folder/Copyright.txt" ] || fail "the older licence file is left"
  check_crlf "$readme" "read-me"
  grep -q -F 'C:\Program Files\Common Files\VST3' "$readme" || fail "the read-me does not say where Fluvia goes"
  ! grep -q -E 'cmake|run-tests' "$readme" || fail "the read-me holds the developers' part"

  # The log of this (silent) installation names the four folders.
  local log
  log="$(iconv -f UTF-16 -t UTF-8 "$install_folder/Install.log" | tr -d '\r')" \
    || fail "no readable installation log"
  for line in 'VST3 plug-in: C:\Program Files\Common Files\VST3\Fluvia.vst3' \
              'CLAP plug-in: C:\Program Files\Common Files\CLAP\Fluvia.clap' \
              'VST2 plug-in: C:\Audio\VST2\Fluvia.dll' \
              'Presets: C:\users\Public\Documents\VelmoraAudio\Fluvia\Presets'; do
    grep -q -i -x -F "$line" <<<"$log" || fail "the installation log lacks '$line': $log"
  done

  # The uninstall entry Windows lists.
  [ "$(uninstall_value DisplayVersion)" = "$version" ] || fail "the uninstaller is not registered as $version"
  [ "$(uninstall_value Publisher)" = VelmoraAudio ] || fail "the uninstall entry names no publisher"
  local icon help size installed_kb
  icon="$(uninstall_value DisplayIcon)"
  [ "$icon" = 'C:\Program Files\VelmoraAudio\Fluvia\Uninstall Fluvia.exe,0' ] \
    || fail "the uninstall entry's icon is '$icon'"
  help="$(uninstall_value HelpLink)"
  [ -f "$(unix_path "$help")" ] && [ "$(unix_path "$help")" -ef "$readme" ] \
    || fail "the uninstall entry's help link '$help' is not the read-me"
  size="$(uninstall_value EstimatedSize)"
  installed_kb="$(find "$vst3" "$clap" "$vst2_dir/Fluvia.dll" "$presets/Factory" "$install_folder" -type f \
    -printf '%s\n' | awk '{ b += $1 } END { printf "%d", b / 1024 }')"
  [[ "$size" =~ ^0x[0-9a-f]+$ ]] && [ $((size)) -ge $((installed_kb * 9 / 10)) ] \
    && [ $((size)) -le $((installed_kb * 11 / 10 + 8)) ] \
    || fail "the uninstall entry's size $size is not about the $installed_kb KiB installed"

  if [ -n "$host" ]; then
    bash "$root/tools/win/check-version-info.sh" "$version" \
      "$setup" "Fluvia $version installer" "$uninstaller" "Fluvia $version uninstaller" \
      -- wine "$host" >/dev/null || fail "the installer's or the uninstaller's version information"
  fi
}

wineboot --init >/dev/null 2>&1
wineserver -w

# 1. The older version, then the person's own changes.
run "$old_setup" /S
[ -f "$old_vst2_dir/Fluvia.dll" ] || fail "the older installer put no VST2 module in the default folder"
for f in "$previous"/*.fluviapreset; do
  cmp -s "$f" "$presets/Factory/$(basename "$f")" || fail "the older installer did not lay $(basename "$f")"
done
user_preset="$presets/User/USR - Fluvia User Preset 001.fluviapreset"
changed="$presets/Factory/SFX - Shower.fluviapreset"
deleted="$presets/Factory/SFX - Light Rain.fluviapreset"
# A user preset that holds a factory sound is still the person's.
cp "$previous/SFX - Faucet Water.fluviapreset" "$user_preset"
# The person's change keeps the file's size: only its bytes tell it from the factory file.
sed 's|<AmpMainVolume>0.8<|<AmpMainVolume>0.7<|' "$previous/SFX - Shower.fluviapreset" \
  > "$scratch/changed.fluviapreset"
! cmp -s "$scratch/changed.fluviapreset" "$previous/SFX - Shower.fluviapreset" \
  || fail "the test's change changed nothing"
cp "$scratch/changed.fluviapreset" "$changed"
rm "$deleted"
printf 'damaged' > "$vst3/Contents/x86_64-win/Fluvia.vst3"
# Releases up to 1.0.2 installed the licence under another name.
printf 'an older licence file\n' > "$install_folder/Copyright.txt"

# 2. This version over it, into another VST2 folder. (NSIS takes /D= unquoted only, and Wine
# quotes an argument with spaces, so this folder has none.)
run "$setup" /S '/D=C:\Audio\VST2'
[ ! -e "$old_vst2_dir" ] || fail "the VST2 module was not moved out of the earlier folder"
cmp -s "$modules/Fluvia.dll" "$vst2_dir/Fluvia.dll" || fail "the VST2 module was not replaced"
diff -r "$modules/Fluvia.vst3" "$vst3" >/dev/null || fail "the VST3 bundle was not replaced"
cmp -s "$modules/Fluvia.clap" "$clap" || fail "the CLAP module is not in Common Files\\CLAP"
cmp -s "$previous/SFX - Faucet Water.fluviapreset" "$user_preset" || fail "the user preset changed"
cmp -s "$scratch/changed.fluviapreset" "$changed" || fail "the changed factory preset was replaced"

# 3. Everything where it belongs: every factory preset but the changed one is this version's,
# the deleted one too.
upgraded=0
for f in "$root"/presets/factory/*.fluviapreset; do
  name="$(basename "$f")"
  [ "$name" = "SFX - Shower.fluviapreset" ] && continue
  cmp -s "$f" "$presets/Factory/$name" || fail "factory preset $name missing or not this version's"
  cmp -s "$f" "$previous/$name" || upgraded=$((upgraded + 1))
done
[ "$upgraded" -gt 0 ] || fail "no factory preset differs from the previous version's: nothing was upgraded"
[ -f "$uninstaller" ] || fail "no uninstaller"
app="$c/Program Files/VelmoraAudio/Fluvia/Fluvia.exe"
shortcut="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Fluvia.lnk"
if [ -f "$modules/Fluvia.exe" ]; then
  cmp -s "$modules/Fluvia.exe" "$app" || fail "the application was not installed"
  [ -f "$shortcut" ] || fail "no Start-menu shortcut to the application"
fi
check_release_files
if [ -n "$host" ]; then
  # The VST3 module, loaded from where the installer put it, plays the host's performance once
  # from factory preset 3 and once without a preset: the two must differ, or the preset was
  # not found. (The host drives VST2 parameters normalised only, so it cannot pick a library
  # preset there: the VST2 module just has to load and play from its folder.)
  installed_vst3='C:/Program Files/Common Files/VST3/Fluvia.vst3'
  (cd "$scratch" && run "$host" render vst3 "$installed_vst3" 64 none.raw \
    && run "$host" render vst3 "$installed_vst3" 64 preset.raw 3) >/dev/null \
    || fail "the test host cannot play the installed VST3 module"
  ! cmp -s "$scratch/none.raw" "$scratch/preset.raw" \
    || fail "the installed VST3 module did not find the factory presets"
  (cd "$scratch" && run "$host" render vst2 'C:/Audio/VST2/Fluvia.dll' 64 vst2.raw) >/dev/null \
    || fail "the test host cannot play the installed VST2 module"
  (cd "$scratch" && run "$host" render clap 'C:/Program Files/Common Files/CLAP/Fluvia.clap' 64 clap.raw) \
    >/dev/null || fail "the test host cannot play the installed CLAP module"
else
  echo "note: no Windows test host given: the modules were not loaded"
fi

# 4. Uninstall: the NSIS uninstaller copies itself to a temporary folder and runs from
# there, so wait for every Wine process to end.
run "$uninstaller" /S
[ ! -e "$vst3" ] || fail "the VST3 bundle is left"
[ ! -e "$clap" ] || fail "the CLAP module is left"
[ ! -e "$vst2_dir" ] || fail "the VST2 folder is left"
[ -d "$c/Audio" ] || fail "a folder the installer did not make was removed"
[ ! -e "$c/Program Files/VelmoraAudio" ] || fail "the uninstaller's folder is left"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is left"
wine reg query "$uninstall_key" </dev/null >/dev/null 2>&1 && fail "the uninstall entry is left"
wine reg query 'HKLM\Software\VelmoraAudio' </dev/null >/dev/null 2>&1 && fail "the settings key is left"
left="$(cd "$presets" && find . -type f | sort)"
expected="$(printf '%s\n' './Factory/SFX - Shower.fluviapreset' './User/USR - Fluvia User Preset 001.fluviapreset')"
[ "$left" = "$expected" ] || fail "after uninstalling, the preset folder holds: $left"
echo "ok: installer $(du -k "$setup" | cut -f1) KB"
