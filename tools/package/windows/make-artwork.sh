#!/usr/bin/env bash
# The installer's own pictures, composed from the editor's artwork (resources/img/large) with
# ImageMagick:
#   Fluvia.ico   the installer's and uninstaller's icon: a knob of the editor, 16 to 256 pixels
#   wizard.bmp   the side picture of the welcome and finish pages (164 x 314): a knob over the
#                editor's water, above the Fluvia mark of its panel
#   header.bmp   the picture in the other pages' header (150 x 57): the Fluvia mark
#
#   make-artwork.sh OUT_DIR
#
# The same artwork gives the same files byte for byte (no dates, fixed formats), so nothing
# generated needs to be kept in the source tree.
set -euo pipefail
out="${1:?usage: make-artwork.sh OUT_DIR}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)"
art="$root/resources/img/large"
command -v convert >/dev/null || { echo "make-artwork: ImageMagick's convert is missing" >&2; exit 1; }
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Frame 20 of the 29 of the large knob strip (160 x 160 each): the pointer at about seven
# tenths, so the blue value ring shows.
convert "$art/va_knob_0029.png" -crop 160x160+0+3200 +repage "$work/knob.png"
# The Fluvia mark (the drop, the name and "WATER SYNTHESIZER") of the label panel, with the
# panel around it, and the mark alone.
convert "$art/va_panel_fluvia_0001.png" -crop 300x200+25+472 +repage "$work/panel.png"
convert "$art/va_panel_fluvia_0001.png" -crop 250x110+60+535 +repage "$work/mark.png"

# Icon: every size Windows asks for, the small ones sharpened a little after scaling.
sizes=()
for size in 16 24 32 48 64 128 256; do
  convert "$work/knob.png" -filter Lanczos -resize "${size}x${size}" \
    $([ "$size" -le 32 ] && echo "-unsharp 0x0.6") "$work/icon_$size.png"
  sizes+=("$work/icon_$size.png")
done
convert "${sizes[@]}" -define png:exclude-chunks=date,time "$out/Fluvia.ico"

# Side picture: water with the knob (164 x 205), a blue edge line, the mark (164 x 109).
convert "$art/va_background_0003.png" -crop 640x800+700+0 +repage -resize '164x205!' \
  \( "$work/knob.png" -resize 124x124 \) -geometry +20+40 -composite "$work/top.png"
convert "$work/panel.png" -resize '164x109!' "$work/bottom.png"
convert "$work/top.png" "$work/bottom.png" -append +repage -fill '#39b8ff' -draw 'rectangle 0,204 163,205' \
  -background '#08111b' -flatten -alpha off -type TrueColor BMP3:"$out/wizard.bmp"

# Header picture: the mark alone, on its own panel colour.
convert "$work/mark.png" -resize 150x53 -background '#08131f' -flatten -gravity center -extent 150x57 \
  -alpha off -type TrueColor BMP3:"$out/header.bmp"

# The pages show the pictures at exactly these sizes; anything else would be stretched.
for expected in "wizard.bmp 164x314" "header.bmp 150x57"; do
  read -r name want <<<"$expected"
  size="$(identify -format '%wx%h' "$out/$name")"
  [ "$size" = "$want" ] || { echo "make-artwork: $name is $size, not $want" >&2; exit 1; }
done
