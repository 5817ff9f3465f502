#!/usr/bin/env bash
# The packages stage of the test suite: makes the three packages from the Release build (and
# the win64 build when there is one), checks the Debian package with lintian, follows the
# archive's own instructions in a fresh home, installs, plays and removes the Debian package
# (as root) and runs the Windows installer under Wine.
#
#   bash tools/package/test-packages.sh [--linux-build DIR] [--win-build DIR]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/common.sh"
linux_build="$root/build/release"
win_build="$root/build/win64"
while [ $# -gt 0 ]; do
  case "$1" in
    --linux-build) linux_build="$2"; shift 2 ;;
    --win-build) win_build="$2"; shift 2 ;;
    *) echo "usage: test-packages.sh [--linux-build DIR] [--win-build DIR]" >&2; exit 2 ;;
  esac
done
version="$project_version"
out="$root/build/packages"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
step() { echo "-- $*"; }

step "making the packages"
rm -rf "$out"
bash "$here/make-packages.sh" --out "$out" --linux-build "$linux_build" --win-build "$win_build"
deb="$out/fluvia_${version}_amd64.deb"
tgz="$out/Fluvia-$version-linux-x86_64.tar.gz"
setup="$out/Fluvia-$version-win64-setup.exe"

step "lintian"
# Errors and warnings fail. The informational tags it shows are known: hardening-no-bindnow
# and hardening-no-fortify-functions (the build's compiler flags, not the packaging) and
# spelling-error-in-binary (byte runs inside the linked libraries' tables).
lintian --display-info --fail-on error,warning "$deb" \
  || fail "lintian reports errors or warnings"

step "the README in both Linux packages"
dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/fluvia/README.md.gz | gunzip \
  | cmp -s - "$root/README.md" || fail "the Debian package does not carry the README"
tar -xzOf "$tgz" "Fluvia-$version-linux-x86_64/README.md" | cmp -s - "$root/README.md" \
  || fail "the archive does not carry the README"

step "the archive, installed by its own instructions"
tar -C "$scratch" -xzf "$tgz"
unpacked="$scratch/Fluvia-$version-linux-x86_64"
home="$scratch/home"
mkdir -p "$home"
# The indented command lines of INSTALL.txt, run as a person would, from the unpacked folder.
(cd "$unpacked" && grep '^          ' INSTALL.txt | sed 's/^ *//' \
  | HOME="$home" XDG_CONFIG_HOME="$home/.config" PATH="/usr/bin:/bin" bash -e) \
  || fail "the archive's instructions fail"
[ -f "$home/.vst3/Fluvia.vst3/Contents/x86_64-linux/Fluvia.so" ] || fail "no bundle in ~/.vst3"
if [ -f "$linux_build/adapters/vst2/Fluvia.so" ]; then
  [ -f "$home/.vst/Fluvia.so" ] || fail "no VST2 module in ~/.vst"
fi
if [ -f "$linux_build/adapters/lv2/Fluvia.lv2/Fluvia.so" ]; then
  [ -f "$home/.lv2/Fluvia.lv2/manifest.ttl" ] || fail "no LV2 bundle in ~/.lv2"
  LV2_PATH="$home/.lv2:/usr/lib/lv2" lv2info https://velmora.audio/plugins/fluvia >/dev/null \
    || fail "lilv cannot read the archive's LV2 bundle"
fi
for f in "$root"/presets/factory/*.fluviapreset; do
  cmp -s "$f" "$home/Documents/VelmoraAudio/Fluvia/Presets/Factory/$(basename "$f")" \
    || fail "the archive's instructions did not lay $(basename "$f")"
done
[ -d "$home/Documents/VelmoraAudio/Fluvia/Presets/User" ] || fail "no User preset folder"
HOME="$home" "$linux_build/tools/render/fluvia-render" -o "$scratch/archive.wav" --length 1 \
  --tail 0 --vst3 "$home/.vst3/Fluvia.vst3" >/dev/null || fail "the archive's bundle does not play"

step "the Debian package"
bash "$here/test-deb.sh" --deb "$deb" --linux-build "$linux_build"

step "the Windows installer under Wine"
if ! command -v wine >/dev/null || ! command -v xvfb-run >/dev/null; then
  echo "skipped: wine or xvfb-run is missing"
elif [ -f "$setup" ]; then
  size_kb="$(du -k "$setup" | cut -f1)"
  echo "installer: $size_kb KB"
  [ "$size_kb" -lt 15360 ] || fail "the installer is larger than 15 MB"
  stage_windows_modules "$win_build" "$scratch/win"
  host=()
  [ -f "$win_build/tests/win/fluvia-module-check.exe" ] \
    && host=(--host "$win_build/tests/win/fluvia-module-check.exe")
  xvfb-run -a bash "$here/test-win-installer.sh" --modules "$scratch/win" --installer "$setup" \
    "${host[@]}"
else
  # Without a Windows build the installer's own behaviour is still checked, with stand-in
  # files in place of the two modules (a test double: nothing loads them).
  echo "no Windows build: checking the installer with stand-in module files"
  mkdir -p "$scratch/stand-in/Fluvia.vst3/Contents/x86_64-win"
  echo "stand-in VST3 module" > "$scratch/stand-in/Fluvia.vst3/Contents/x86_64-win/Fluvia.vst3"
  echo "stand-in VST2 module" > "$scratch/stand-in/Fluvia.dll"
  xvfb-run -a bash "$here/test-win-installer.sh" --modules "$scratch/stand-in"
fi
echo "packages: ok"
