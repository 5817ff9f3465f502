#!/bin/sh
# fluvia-install-presets against a scratch home: installs into the XDG documents folder,
# reports and keeps a file the user changed, and takes files from --source.
set -eu
tool=$1
factory=$2
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home/$(printf 'h\303\244me with space')"
mkdir -p "$HOME/.config"
unset XDG_CONFIG_HOME || true
printf 'XDG_DOCUMENTS_DIR="$HOME/Dokumente"\n' > "$HOME/.config/user-dirs.dirs"
presets="$HOME/Dokumente/VelmoraAudio/Fluvia/Presets"

[ "$("$tool" --print-folder)" = "$presets/" ] || { echo "wrong folder"; exit 1; }
"$tool" > "$home/first.txt"
grep -q '6 installed, 0 up to date, 0 skipped, 0 failed' "$home/first.txt"
[ -d "$presets/User" ]
for f in "$factory"/*.fluviapreset; do
  cmp "$f" "$presets/Factory/$(basename "$f")"
done

echo "my own shower" > "$presets/Factory/SFX - Shower.fluviapreset"
rm "$presets/Factory/SFX - Waterfall.fluviapreset"
"$tool" > "$home/second.txt"
grep -q 'skipped    Factory/SFX - Shower.fluviapreset' "$home/second.txt"
grep -q '1 installed, 4 up to date, 1 skipped, 0 failed' "$home/second.txt"
[ "$(cat "$presets/Factory/SFX - Shower.fluviapreset")" = "my own shower" ]

# From a source folder; a source that lacks a file installs nothing.
rm "$presets/Factory/SFX - Waterfall.fluviapreset"
"$tool" --source "$factory" | grep -q '1 installed'
mkdir "$home/partial"
if "$tool" --source "$home/partial" > /dev/null 2>&1; then echo "partial source accepted"; exit 1; fi
echo "ok"
