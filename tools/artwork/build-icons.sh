#!/usr/bin/env bash
# Renders the application icon (resources/icons/fluvia.svg) into the PNG sizes the desktop
# looks for and the Windows icon file. The results are committed: building needs neither tool.
#   tools/artwork/build-icons.sh     (needs rsvg-convert from librsvg2-bin and ImageMagick)
set -euo pipefail
dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../resources/icons" && pwd)"
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$dir/fluvia.svg" -o "$dir/fluvia-$size.png"
done
magick="$(command -v convert-im6.q16 || command -v convert)"
"$magick" "$dir"/fluvia-{16,32,48,256}.png "$dir/fluvia.ico"
echo "icons in $dir"
