#!/bin/sh
# Regenerates every editor image of both artwork sets from the SVG sources in src/:
#   resources/img/large/  VST3 editor, 1000 x 960
#   resources/img/small/  VST2 editor, 500 x 480: the same vectors rendered at half size
# Knob strips are 29 frames, each the knob template with its pointer turned (value 0 at the
# top of the strip, pointer at lower left; value 1 at lower right, 270 degrees on), stacked.
#
# Needs rsvg-convert (librsvg2-bin), ImageMagick's convert and the fonts Liberation Sans
# (fonts-liberation2) and URW Gothic (fonts-urw-base35). The rendered PNGs are committed, so
# building the plug-ins does not need any of this.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
src=$here/src
frames=29

for tool in rsvg-convert convert awk; do
  command -v "$tool" >/dev/null 2>&1 || { echo "build.sh: $tool is missing" >&2; exit 1; }
done
for family in "Liberation Sans" "URW Gothic"; do
  fc-list : family | grep -q "$family" || { echo "build.sh: font $family is missing" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Writes an 8-bit RGBA PNG without time stamps, so that unchanged sources give unchanged files.
finish_png() {
  convert "$1" -strip -define png:exclude-chunks=date,time -define png:compression-level=9 \
    PNG32:"$2"
}

# render <svg> <width> <height> <out.png>
render() {
  rsvg-convert -w "$2" -h "$3" -o "$work/render.png" "$1"
  finish_png "$work/render.png" "$4"
}

# knob_frame <template> <frame index 0..28> <centre x> <centre y> <scale radius> <out.svg>
knob_frame() {
  awk -v i="$2" -v n="$frames" -v cx="$3" -v cy="$4" -v r="$5" '
    BEGIN {
      pi = atan2(0, -1)
      angle = -135 + 270 * i / (n - 1)
      x0 = cx + r * sin(-135 * pi / 180); y0 = cy - r * cos(-135 * pi / 180)
      x1 = cx + r * sin(angle * pi / 180); y1 = cy - r * cos(angle * pi / 180)
      if (i == 0) arc = sprintf("M %.3f %.3f", x0, y0)
      else arc = sprintf("M %.3f %.3f A %g %g 0 %d 1 %.3f %.3f", x0, y0, r, r,
                         (angle + 135 > 180) ? 1 : 0, x1, y1)
      printf "%.4f\n%s\n", angle, arc
    }' > "$work/frame.vars"
  angle=$(sed -n 1p "$work/frame.vars")
  arc=$(sed -n 2p "$work/frame.vars")
  sed -e "s/@ANGLE@/$angle/g" -e "s/@ARC@/$arc/g" "$1" > "$6"
}

# knob_strip <template> <centre x> <centre y> <scale radius> <frame w> <frame h> <out.png>
knob_strip() {
  list=""
  i=0
  while [ "$i" -lt "$frames" ]; do
    knob_frame "$1" "$i" "$2" "$3" "$4" "$work/frame.svg"
    rsvg-convert -w "$5" -h "$6" -o "$work/frame_$i.png" "$work/frame.svg"
    list="$list $work/frame_$i.png"
    i=$((i + 1))
  done
  # shellcheck disable=SC2086  # the list is file names without spaces, one word each
  convert $list -background none -append "$work/strip.png"
  finish_png "$work/strip.png" "$7"
}

build_set() {
  set_name=$1
  div=$2
  out=$root/resources/img/$set_name
  mkdir -p "$out"
  echo "artwork: $set_name set"

  render "$src/background.svg" $((2000 / div)) $((2000 / div)) "$out/va_background_0003.png"
  render "$src/header.svg" $((1000 / div)) $((60 / div)) "$out/va_panel_header_0002.png"
  render "$src/button_backward.svg" $((40 / div)) $((50 / div)) \
    "$out/va_button_preset_backward_0001.png"
  render "$src/button_forward.svg" $((40 / div)) $((50 / div)) \
    "$out/va_button_preset_forward_0001.png"
  render "$src/button_load.svg" $((80 / div)) $((50 / div)) "$out/va_button_preset_load_0001.png"
  render "$src/button_save.svg" $((80 / div)) $((50 / div)) "$out/va_button_preset_save_0001.png"
  render "$src/mask.svg" $((1000 / div)) $((1000 / div)) "$out/va_panel_mask_0001_blue.png"
  render "$src/panel.svg" $((900 / div)) $((720 / div)) "$out/va_panel_fluvia_0001.png"

  knob_strip "$src/knob_large.svg.in" 80 80 68 $((160 / div)) $((160 / div)) "$work/large.png"
  for name in va_knob_0029 va_knob_0032 va_knob_0036 va_knob_0037 va_knob_0038 va_knob_0039 \
              va_knob_0040; do
    cp "$work/large.png" "$out/$name.png"
  done
  knob_strip "$src/knob_small_blue.svg.in" 50 40 33 $((100 / div)) $((80 / div)) "$work/small.png"
  for name in va_knob_0033_blue va_knob_0034_blue; do
    cp "$work/small.png" "$out/$name.png"
  done
}

build_set large 1
build_set small 2
echo "artwork: done"
