#!/usr/bin/env bash
# The Debian package on this machine (root, a throwaway machine in CI):
#   1. the previous version (its factory presets from presets/factory/earlier) installs; the
#      plug-in, opened with a fresh home, lays its factory presets there; the person changes
#      one, deletes another and saves a preset of their own;
#   2. this version installs over it and over itself: the files are replaced; the plug-in,
#      opened again, makes the factory presets the person left unchanged this version's and
#      lays the deleted one again; the changed one and the user preset stay;
#   3. Ardour's VST3 and VST2 scanners and Qtractor's CLAP scanner read the modules from the
#      system folders, and lilv finds the LV2 bundle in /usr/lib/lv2 without being told where;
#   4. the demo rendered through the installed bundle with a fresh home lays the factory
#      presets there and sounds exactly like the build's bundle with presets installed by
#      fluvia-install-presets: the welcome preset came from the shared data folder (the
#      installed VST2 module lays them too);
#   5. removing the package leaves nothing of it behind.
# The package is removed again whatever happens; a machine where Fluvia is already
# installed is left alone (the test is skipped).
#
#   bash tools/package/test-deb.sh --deb FILE --linux-build DIR
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/common.sh"
deb="" build=""
while [ $# -gt 0 ]; do
  case "$1" in
    --deb) deb="$2"; shift 2 ;;
    --linux-build) build="$2"; shift 2 ;;
    *) echo "usage: test-deb.sh --deb FILE --linux-build DIR" >&2; exit 2 ;;
  esac
done
installed() { dpkg-query -W -f='${Status}' fluvia 2>/dev/null | grep -q 'ok installed'; }
if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: installing a package needs root"; exit 0
fi
if installed; then
  echo "skipped: fluvia is installed on this machine already; left as it is"; exit 0
fi

scratch="$(mktemp -d)"
cleanup() {
  if installed || dpkg-query -W fluvia >/dev/null 2>&1; then dpkg_run --purge fluvia >/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
# dpkg, waiting while another package operation on the machine holds its lock.
dpkg_run() {
  local out
  for _ in $(seq 60); do
    if out="$(dpkg "$@" 2>&1)"; then echo "$out"; return 0; fi
    grep -q 'lock' <<<"$out" || { echo "$out" >&2; return 1; }
    sleep 2
  done
  echo "$out" >&2; return 1
}

render="$build/tools/render/fluvia-render"
bundle=/usr/lib/vst3/Fluvia.vst3
factory="$root/presets/factory"
presets_of() { echo "$1/Documents/VelmoraAudio/Fluvia/Presets"; }
# Whether two WAV files hold the same samples: compared from the data chunk on, since the
# header's peak chunk carries the time of writing.
same_samples() {
  local a b
  a="$(grep -obUa -m1 data "$1" | head -1 | cut -d: -f1)"
  b="$(grep -obUa -m1 data "$2" | head -1 | cut -d: -f1)"
  [ -n "$a" ] && [ -n "$b" ] && cmp -s <(tail -c +"$((a + 1))" "$1") <(tail -c +"$((b + 1))" "$2")
}
# Plays the welcome preset through a bundle with a fresh or given home; with a fourth
# argument "none", the same note without a preset.
demo() {  # home bundle wav [none]
  mkdir -p "$1"
  local preset=(--param PresetSelector=1)
  [ "${4:-}" != none ] || preset=()
  HOME="$1" XDG_CONFIG_HOME="$1/.config" "$render" -o "$3" --note 60 --length 6 --tail 3 \
    "${preset[@]}" --vst3 "$2" >/dev/null
}

# 1. The previous version, opened once; then the person's own changes. (Its package carries
# this build's modules with the previous factory presets, under a lower version.)
previous="$(ls -d "$factory"/earlier/*/ | sort -V | tail -1)"
previous="${previous%/}"
old_version="$(basename "$previous")~previous"
# (Linux packages only: no Windows installer takes such a version.)
bash "$here/make-packages.sh" --version "$old_version" --factory "$previous" --out "$scratch/old" \
  --linux-build "$build" --win-build "$scratch/no-windows-build" >/dev/null 2>&1 \
  || fail "the previous version's packages cannot be made"
dpkg_run -i "$scratch/old/fluvia_${old_version}_amd64.deb" >/dev/null
home_a="$scratch/home-a"
demo "$home_a" "$bundle" "$scratch/a.wav"
factory_a="$(presets_of "$home_a")/Factory"
for f in "$previous"/*.fluviapreset; do
  cmp -s "$f" "$factory_a/$(basename "$f")" || fail "the previous version did not lay $(basename "$f")"
done
user_preset="$(presets_of "$home_a")/User/USR - Fluvia User Preset 001.fluviapreset"
changed="$factory_a/SFX - Shower.fluviapreset"
deleted="$factory_a/SFX - Light Rain.fluviapreset"
cp "$previous/SFX - Faucet Water.fluviapreset" "$user_preset"  # a factory sound, but theirs
printf 'changed by the test\n' > "$changed"
rm "$deleted"
# The next host on the same version leaves the deleted preset deleted.
demo "$home_a" "$bundle" "$scratch/a1.wav"
[ ! -e "$deleted" ] || fail "the deleted factory preset came back without an upgrade"
printf 'damaged' > "$bundle/Contents/x86_64-linux/Fluvia.so"  # the upgrade must bring its own

# 2. This version over it, and once more over itself.
dpkg_run -i "$deb" >/dev/null
dpkg_run -i "$deb" >/dev/null
version="$(dpkg-query -W -f='${Version}' fluvia)"
[ "$version" = "$(dpkg-deb -f "$deb" Version)" ] || fail "installed version is $version"
dpkg --verify fluvia || fail "installed files differ from the package"
demo "$home_a" "$bundle" "$scratch/a2.wav"
cmp -s "$previous/SFX - Faucet Water.fluviapreset" "$user_preset" || fail "the user preset changed"
[ "$(cat "$changed")" = "changed by the test" ] || fail "the changed factory preset was replaced"
upgraded=0
for f in "$factory"/*.fluviapreset; do
  name="$(basename "$f")"
  [ "$name" = "SFX - Shower.fluviapreset" ] && continue
  cmp -s "$f" "$factory_a/$name" || fail "after the upgrade, $name is not this version's"
  cmp -s "$f" "$previous/$name" || upgraded=$((upgraded + 1))
done
[ "$upgraded" -gt 0 ] || fail "no factory preset differs from the previous version's: nothing was upgraded"

# The application: on the PATH, with its desktop entry, icon and manual page.
if [ -e /usr/bin/fluvia ]; then
  for f in /usr/share/applications/fluvia.desktop /usr/share/icons/hicolor/48x48/apps/fluvia.png \
           /usr/share/icons/hicolor/scalable/apps/fluvia.svg /usr/share/man/man1/fluvia.1.gz; do
    [ -f "$f" ] || fail "the package has no $f"
  done
  grep -q '^Exec=fluvia$' /usr/share/applications/fluvia.desktop || fail "the desktop entry does not start fluvia"
  /usr/bin/fluvia --version | grep -qx "Fluvia $project_version" || fail "the installed fluvia does not run"
else
  echo "note: the package has no application"
fi

# 3. Ardour's scanners on the system folders.
cmake -DSCANNER=/usr/lib/ardour7/ardour-vst3-scanner -DLIBDIR=/usr/lib/ardour7 \
  -DBUNDLE="$bundle" -DSCRATCH="$scratch/ardour3" -P "$root/tests/vst3/ardour_scan.cmake" \
  > "$scratch/ardour3.log" 2>&1 || { cat "$scratch/ardour3.log"; fail "Ardour's VST3 scanner"; }
if [ -f /usr/lib/vst/Fluvia.so ]; then
  cmake -DSCANNER=/usr/lib/ardour7/ardour-vst-scanner -DLIBDIR=/usr/lib/ardour7 \
    -DMODULE=/usr/lib/vst/Fluvia.so -DSCRATCH="$scratch/ardour2" \
    -P "$root/tests/vst2/ardour_scan.cmake" > "$scratch/ardour2.log" 2>&1 \
    || { cat "$scratch/ardour2.log"; fail "Ardour's VST2 scanner"; }
else
  echo "note: the package has no VST2 module to scan"
fi
qtractor_scan=/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan
if [ -f /usr/lib/clap/Fluvia.clap ] && [ -x "$qtractor_scan" ]; then
  cmake -DSCANNER="$qtractor_scan" -DINSTALLED=/usr/lib/clap/Fluvia.clap -DSCRATCH="$scratch/qtractor" \
    -P "$root/tests/clap/qtractor_scan.cmake" > "$scratch/qtractor.log" 2>&1 \
    || { cat "$scratch/qtractor.log"; fail "Qtractor's CLAP scanner"; }
else
  echo "note: no CLAP module in the package, or no Qtractor scanner to read it"
fi

if [ -d "$build/adapters/lv2/Fluvia.lv2" ]; then
  [ -f /usr/lib/lv2/Fluvia.lv2/Fluvia.so ] || fail "no LV2 bundle in /usr/lib/lv2"
  # Read whole before looking: grep -q would stop reading early, and lilv's listing, cut off,
  # fails the pipe.
  lv2_info="$(env -u LV2_PATH lv2info https://velmora.audio/plugins/fluvia)" || lv2_info=""
  grep -q 'Instrument Plugin' <<<"$lv2_info" || fail "lilv does not find the installed LV2 bundle"
fi

# 4. The demo with a fresh home, against the build's bundle with installed presets.
home_b="$scratch/home-b"
demo "$home_b" "$bundle" "$scratch/installed.wav"
for f in "$factory"/*.fluviapreset; do
  cmp -s "$f" "$(presets_of "$home_b")/Factory/$(basename "$f")" \
    || fail "factory preset $(basename "$f") did not reach the fresh home"
done
[ -d "$(presets_of "$home_b")/User" ] || fail "no User folder in the fresh home"
if [ -f /usr/lib/vst/Fluvia.so ]; then
  # The VST2 module, first in its process, does the same for another fresh home.
  home_e="$scratch/home-e"
  mkdir -p "$home_e"
  HOME="$home_e" XDG_CONFIG_HOME="$home_e/.config" "$render" -o "$scratch/vst2.wav" --length 1 \
    --tail 0 --vst2 /usr/lib/vst/Fluvia.so >/dev/null || fail "the installed VST2 module does not play"
  diff -r "$(presets_of "$home_b")" "$(presets_of "$home_e")" >/dev/null \
    || fail "the VST2 module did not lay the factory presets"
fi
home_c="$scratch/home-c"
mkdir -p "$home_c"
HOME="$home_c" XDG_CONFIG_HOME="$home_c/.config" "$build/tools/presets/fluvia-install-presets" >/dev/null
demo "$home_c" "$build/adapters/vst3/Fluvia.vst3" "$scratch/built.wav"
same_samples "$scratch/installed.wav" "$scratch/built.wav" \
  || fail "the installed bundle's demo differs from the build's with the presets installed"
# The comparison means something only if the welcome preset changes the sound.
# (fluvia-render refuses a preset number whose file is not there, so this one names none.)
demo "$scratch/home-d" "$build/adapters/vst3/Fluvia.vst3" "$scratch/no-presets.wav" none
same_samples "$scratch/no-presets.wav" "$scratch/built.wav" && fail "the welcome preset makes no difference"

# 5. Removal.
files="$(dpkg -L fluvia)"
dpkg_run -r fluvia >/dev/null
installed && fail "still installed after dpkg -r"
dpkg-query -W -f='${Status}' fluvia 2>/dev/null | grep -q 'config-files' && fail "configuration files left"
while IFS= read -r path; do
  case "$path" in /. | /usr | /usr/lib | /usr/share | /usr/share/doc | /usr/lib/vst | /usr/lib/vst3 | /usr/lib/clap | /usr/lib/lv2) continue ;; esac
  # Folders other packages share (/usr/bin, the icon theme's) stay while they hold their files.
  if [ -d "$path" ] && [ -n "$(ls -A "$path")" ]; then continue; fi
  [ ! -e "$path" ] || fail "$path is left after removal"
done <<<"$files"
if [ -d /usr/lib/vst3 ] && [ -z "$(ls -A /usr/lib/vst3)" ]; then fail "an empty /usr/lib/vst3 is left"; fi
echo "ok: package installed, upgraded, scanned, played and removed"
