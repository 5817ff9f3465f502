#!/bin/sh
# fluvia-install-presets against a scratch home: installs into the XDG documents folder, takes
# files from --source, upgrades the factory presets of the previous version that the person
# left unchanged, keeps one they changed, brings back one they deleted and never touches a
# user preset.
set -eu
tool=$1
factory=$2
previous="$factory/earlier/1.0.2"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home/$(printf 'h\303\244me with space')"
mkdir -p "$HOME/.config"
unset XDG_CONFIG_HOME || true
printf 'XDG_DOCUMENTS_DIR="$HOME/Dokumente"\n' > "$HOME/.config/user-dirs.dirs"
presets="$HOME/Dokumente/VelmoraAudio/Fluvia/Presets"
fail() { echo "FAIL: $*"; exit 1; }

[ "$("$tool" --print-folder)" = "$presets/" ] || fail "wrong folder"
# The previous version's files, as its installer laid them.
"$tool" --source "$previous" > "$home/first.txt"
grep -q '6 installed, 0 updated, 0 up to date, 0 skipped, 0 failed' "$home/first.txt" \
  || fail "$(cat "$home/first.txt")"
[ -d "$presets/User" ] || fail "no User folder"

# The person changes one, deletes one and saves a preset of their own.
echo "my own shower" > "$presets/Factory/SFX - Shower.fluviapreset"
rm "$presets/Factory/SFX - Light Rain.fluviapreset"
user="$presets/User/USR - Fluvia User Preset 001.fluviapreset"
cp "$previous/SFX - Faucet Water.fluviapreset" "$user"

# This version's built-in files.
"$tool" > "$home/second.txt"
grep -q 'skipped    Factory/SFX - Shower.fluviapreset' "$home/second.txt" || fail "shower not kept"
[ "$(cat "$presets/Factory/SFX - Shower.fluviapreset")" = "my own shower" ] || fail "shower replaced"
grep -q 'installed  Factory/SFX - Light Rain.fluviapreset' "$home/second.txt" || fail "deleted not back"
updated=0
for f in "$factory"/*.fluviapreset; do
  name=$(basename "$f")
  [ "$name" = "SFX - Shower.fluviapreset" ] && continue
  cmp -s "$f" "$presets/Factory/$name" || fail "$name is not this version's"
  if [ "$name" != "SFX - Light Rain.fluviapreset" ] && ! cmp -s "$f" "$previous/$name"; then
    grep -q "updated    Factory/$name" "$home/second.txt" || fail "$name not reported as updated"
    updated=$((updated + 1))
  fi
done
[ "$updated" -gt 0 ] || fail "this version changes no factory preset of the previous one"
grep -q "1 installed, $updated updated, $((4 - updated)) up to date, 1 skipped, 0 failed" \
  "$home/second.txt" || fail "$(cat "$home/second.txt")"
cmp -s "$previous/SFX - Faucet Water.fluviapreset" "$user" || fail "the user preset changed"

# A source that lacks a file installs nothing.
mkdir "$home/partial"
if "$tool" --source "$home/partial" > /dev/null 2>&1; then fail "partial source accepted"; fi
echo "ok"
