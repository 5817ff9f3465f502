#!/bin/sh
# Composes the whole editor from the rendered artwork, as the editor stacks it (backdrop, mask,
# header, panel, knobs at frame 15, the preset bar with its name text, arrows and the load and
# save images, which the editor draws twice), so the artwork can be judged in place.
#   preview.sh [large|small] [out.png]
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
set_name=${1:-large}
out=${2:-$root/build/artwork-preview-$set_name.png}
case $set_name in
  large) div=1 ;;
  small) div=2 ;;
  *) echo "preview.sh: set is large or small" >&2; exit 1 ;;
esac
img=$root/resources/img/$set_name
mkdir -p "$(dirname "$out")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

h() { echo $(($1 / div)); }

# Frame 15 of a 29-frame strip: the editor's source offset is (int)(height * 14 / 29 + 0.5).
frame15() {
  fw=$(identify -format %w "$img/$1.png")
  fh=$(($(identify -format %h "$img/$1.png") / 29))
  convert "$img/$1.png" -crop "${fw}x${fh}+0+$((fh * 14))" +repage "$work/$1.png"
  echo "$work/$1.png"
}

font=$(fc-match -f '%{file}' 'Liberation Sans:bold')
# The preset name is "Arial" bold with a 40 pixel cell (its em is 40 * 2048 / 2288 pixels),
# centred in the bar with its top at y 86.
em=$(awk -v s="$(h 40)" 'BEGIN { printf "%.2f", s * 2048 / 2288 }')

convert "$img/va_background_0003.png" -crop "$(h 1000)x$(h 960)+0+0" +repage \
  "$img/va_panel_mask_0001_blue.png" -geometry +0+0 -composite \
  "$img/va_panel_header_0002.png" -geometry +0+0 -composite \
  "$img/va_panel_fluvia_0001.png" -geometry +$(h 50)+$(h 160) -composite \
  "$(frame15 va_knob_0033_blue)" -geometry +$(h 642)+$(h 740) -composite \
  "$(frame15 va_knob_0034_blue)" -geometry +$(h 790)+$(h 740) -composite \
  "$(frame15 va_knob_0032)" -geometry +$(h 420)+$(h 682) -composite \
  "$(frame15 va_knob_0029)" -geometry +$(h 420)+$(h 210) -composite \
  "$(frame15 va_knob_0037)" -geometry +$(h 730)+$(h 446) -composite \
  "$(frame15 va_knob_0038)" -geometry +$(h 730)+$(h 210) -composite \
  "$(frame15 va_knob_0036)" -geometry +$(h 110)+$(h 210) -composite \
  "$(frame15 va_knob_0040)" -geometry +$(h 420)+$(h 446) -composite \
  "$(frame15 va_knob_0039)" -geometry +$(h 110)+$(h 446) -composite \
  -fill 'rgba(0,0,0,0.549)' -draw "rectangle $(h 120),$(h 80) $(($(h 880) - 1)),$(($(h 130) - 1))" \
  -font "$font" -pointsize "$em" -fill 'rgb(200,200,200)' -gravity north \
  -annotate +0+$(h 86) '< Presets Library >' -gravity northwest \
  "$img/va_button_preset_backward_0001.png" -geometry +$(h 80)+$(h 80) -composite \
  "$img/va_button_preset_forward_0001.png" -geometry +$(h 880)+$(h 80) -composite \
  "$img/va_button_preset_load_0001.png" -geometry +0+$(h 80) -composite \
  "$img/va_button_preset_save_0001.png" -geometry +$(h 920)+$(h 80) -composite \
  "$img/va_button_preset_load_0001.png" -geometry +0+$(h 80) -composite \
  "$img/va_button_preset_save_0001.png" -geometry +$(h 920)+$(h 80) -composite \
  -alpha off "$out"
echo "$out"
