#!/usr/bin/env bash
# Builds the Windows installer with makensis from a folder of Windows modules.
#
#   bash tools/package/make-installer.sh --version X.Y.Z --modules DIR --presets DIR --out FILE
#                                        [--earlier DIR]
#
# DIR for --modules holds Fluvia.vst3 (the bundle) and Fluvia.dll; --presets the six factory
# presets this installer lays; --earlier (default presets/factory/earlier) one folder per
# earlier version with the factory presets it shipped, so the installer can tell a factory
# preset the person never changed (replaced) from one they changed (kept). Each factory preset
# is dated by the last commit that changed it, so the installer is the same for the same
# sources. The installer's pictures come from the editor's artwork and its licence and
# read-me from the source tree, made here (tools/package/windows); makensis runs twice, first
# for the uninstaller, which so gets version information of its own.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/common.sh"
version="" modules="" presets="" out="" earlier="$root/presets/factory/earlier"
while [ $# -gt 0 ]; do
  case "$1" in
    --version) version="$2"; shift 2 ;;
    --modules) modules="$2"; shift 2 ;;
    --presets) presets="$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    --earlier) earlier="$2"; shift 2 ;;
    *) echo "usage: make-installer.sh --version X.Y.Z --modules DIR --presets DIR --out FILE [--earlier DIR]" >&2
       exit 2 ;;
  esac
done
[ -n "$version" ] && [ -d "$modules" ] && [ -d "$presets" ] && [ -n "$out" ] || {
  echo "make-installer: --version, --modules, --presets and --out are all needed" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/presets" "$work/known/current"
: > "$work/presets.nsh"
for f in "$presets"/*.fluviapreset; do
  name="$(basename "$f")"
  cp "$f" "$work/presets/$name"
  stamp="$(git -C "$root" log -1 --format=%ct -- "presets/factory/$name" 2>/dev/null || true)"
  [ -n "$stamp" ] || stamp="$(stat -c %Y "$f")"
  # Installed files come out with their dates rounded to even seconds: start from one.
  stamp=$((stamp - stamp % 2))
  touch -d "@$stamp" "$work/presets/$name"
  cp -p "$work/presets/$name" "$work/known/current/$name"
  printf '!insertmacro FactoryPreset "%s"\n' "$name" >> "$work/presets.nsh"
done
# What earlier versions installed ("current" holds this version's files).
for dir in "$earlier"/*/; do
  [ -d "$dir" ] || continue
  v="$(basename "$dir")"
  mkdir -p "$work/known/$v"
  cp -p "$dir"/*.fluviapreset "$work/known/$v/"
done

# ---- The release files: pictures, licence and read-me for Windows, the uninstaller ---------
bash "$here/windows/make-artwork.sh" "$work/artwork"
bash "$here/windows/make-docs.sh" "$version" "$work/docs"

mkdir -p "$(dirname "$out")"
nsis=(makensis -V2 -NOCD -INPUTCHARSET UTF8
  "-DVERSION=$version" "-DPRESETS=$work/presets" "-DKNOWN=$work/known"
  "-DPRESET_LIST=$work/presets.nsh" "-DLICENSE=$work/docs/License.txt"
  "-DARTWORK=$work/artwork" "-DDOCS=$work/docs" "-DOUTFILE_NAME=$(basename "$out")")
# The first run only makes the uninstaller, which holds none of the modules: empty files of
# the same names stand in for them there, so that it need not pack megabytes it throws away.
mkdir -p "$work/empty-modules"
(cd "$modules" && find . -type d -exec mkdir -p "$work/empty-modules/{}" \; \
  && find . -type f -exec touch "$work/empty-modules/{}" \;)
"${nsis[@]}" "-DMODULES=$work/empty-modules" "-DEXPORT_UNINSTALLER=$work/uninstaller.exe" \
  "-DOUTFILE=$work/first-run.exe" "$root/tools/package/fluvia.nsi"
"${nsis[@]}" "-DMODULES=$modules" "-DUNINSTALLER_EXE=$work/uninstaller.exe" "-DOUTFILE=$out" \
  "$root/tools/package/fluvia.nsi"
echo "made $out ($(du -k "$out" | cut -f1) KB)"
