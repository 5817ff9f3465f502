#!/usr/bin/env bash
# The Windows editor in a real window: the module check opens the plug-in's editor as a child of
# its host window under Wine inside Xvfb; the X tools take screenshots and drag a knob; each
# screenshot is compared with the headless snapshot of the same state from the Linux build
# (text may differ: GDI draws it), and the drag must reach the host as a parameter change.
#   editor_check.sh vst3|vst2 WIN_CHECK WIN_MODULE NATIVE_SNAPSHOT WINE_STATE WORK_DIR
# Run inside xvfb-run with a screen of at least 1000 x 960. The VST3 editor is 1000 x 960 (the
# large artwork), the VST2 editor 500 x 480 with every coordinate halved.
set -euo pipefail
format="$1" win_check="$2" win_module="$3" snapshot="$4" wine_state="$5" work="$6"
if [ "$format" = vst3 ]; then
  set_name=large scale=1
else
  set_name=small scale=2
fi
width=$((1000 / scale)) height=$((960 / scale))
px() { echo $(($1 / scale)); }  # a coordinate of the large layout in this editor
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
wine_run="$here/../../tools/win/wine-run.sh"
[ -x "$snapshot" ] || { echo "FAIL: $snapshot missing: build the release preset first" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work/home"
log="$work/editor.log"
# The preset library on both sides: the Windows editor reads the common documents folder of
# the prefix, the headless one the Linux installer's folder under a scratch home.
native_installer="$(dirname "$snapshot")/../presets/fluvia-install-presets"
win_installer="$(dirname "$win_check")/../../tools/presets/fluvia-install-presets.exe"
"$wine_run" "$wine_state" "$win_installer" >/dev/null
linux_presets="$(HOME="$work/home" XDG_CONFIG_HOME= "$native_installer" --print-folder)"
HOME="$work/home" XDG_CONFIG_HOME= "$native_installer" >/dev/null
stop="$work/stop"

"$wine_run" "$wine_state" "$win_check" editor "$format" "Z:$win_module" 120 "Z:$stop" >"$log" 2>&1 &
host=$!
finish() { touch "$stop"; wait "$host" 2>/dev/null || true; }
trap finish EXIT
for _ in $(seq 1 300); do
  grep -q '^ready' "$log" && break
  kill -0 "$host" 2>/dev/null || break
  sleep 0.2
done
# Windows programs end their lines with CR LF.
ready="$(grep '^ready' "$log" | tr -d '\r' || true)"
[ "$ready" = "ready $width $height child IPluginWndClass $width $height" ] ||
  { echo "FAIL: the editor did not open as a $width x $height child window: ${ready:-nothing}" >&2
    cat "$log" >&2; exit 1; }

# A screenshot against the headless snapshot of the same state. GDI draws the preset name
# (the only text the editor draws itself; the labels are artwork), so its bar may differ by
# glyph shapes; everything else must match the in-memory editor pixel for pixel.
text_bar="$(px 760)x$(px 50)+$(px 120)+$(px 80)"
text_pixels=$(( $(px 760) * $(px 50) ))
bar_rectangle="rectangle $(px 120),$(px 80) $(( $(px 880) - 1 )),$(( $(px 130) - 1 ))"
differing() {  # pixels of $1 and $2 differing beyond a small colour tolerance
  compare -metric AE -fuzz 2% "$1" "$2" null: 2>&1 >/dev/null || true
}
# A knob's readout is text GDI draws too (its plate may come out a few pixels wider or
# narrower): where the snapshot says it is, with a margin, it is left out of the comparison.
readout_draw=()
mask_readout_of() {  # the snapshot's output ($1): "readout LEFT TOP RIGHT BOTTOM" when one shows
  readout_draw=()
  local line
  line="$(grep '^readout ' "$1" || true)"
  [ -n "$line" ] || return 0
  read -r _ l t r b <<<"$line"
  readout_draw=(-draw "rectangle $((l - 16)),$((t - 2)) $((r + 16)),$((b + 2))")
}
compare_with() {
  local shot="$1" reference="$2" name
  name="$(basename "$shot" .png)"
  for image in "$shot" "$reference"; do
    convert "$image" -fill black -draw "$bar_rectangle" "${readout_draw[@]}" \
      "$work/$name-$(basename "$image" .png)-art.png"
    convert "$image" -crop "$text_bar" +repage "$work/$name-$(basename "$image" .png)-text.png"
  done
  local art text
  art="$(differing "$work/$name-$(basename "$shot" .png)-art.png" "$work/$name-$(basename "$reference" .png)-art.png")"
  text="$(differing "$work/$name-$(basename "$shot" .png)-text.png" "$work/$name-$(basename "$reference" .png)-text.png")"
  echo "$name: $art pixels differ outside the preset name, $text of $text_pixels inside it"
  [[ "$art" =~ ^[0-9]+$ && "$text" =~ ^[0-9]+$ ]] && [ "$art" -le 50 ] &&
    [ "$text" -le $((text_pixels * 15 / 100)) ] ||
    { echo "FAIL: the window does not show what the headless editor draws" >&2; return 1; }
}
screenshot() { sleep 1; import -window root -crop "${width}x${height}+0+0" +repage "$1"; }

screenshot "$work/open.png"
"$snapshot" --set "$set_name" --out "$work/open-reference.png" >/dev/null
compare_with "$work/open.png" "$work/open-reference.png"

# Drag the system energy knob (row 7, centred at 500, 290 in the large layout) up by 60 pixels
# of the large layout.
xdotool mousemove "$(px 500)" "$(px 290)" mousedown 1
for y in 275 260 245 230; do xdotool mousemove "$(px 500)" "$(px "$y")"; sleep 0.1; done
xdotool mouseup 1
screenshot "$work/dragged.png"
"$snapshot" --set "$set_name" --out "$work/dragged-reference.png" --drag 7 "-$(px 60)" \
  >"$work/dragged-reference.txt"
# The pointer rests on the knob after the drag: its readout shows the name and the value.
grep -q '^readout ' "$work/dragged-reference.txt" ||
  { echo "FAIL: the headless editor shows no readout after the drag" >&2; exit 1; }
mask_readout_of "$work/dragged-reference.txt"
compare_with "$work/dragged.png" "$work/dragged-reference.png"
# The readout itself is drawn in the window: its plate differs from the editor without it.
readout_region="$(grep '^readout ' "$work/dragged-reference.txt" |
  awk '{ printf "%dx%d+%d+%d", $4 - $2, $5 - $3, $2, $3 }')"
convert "$work/dragged.png" -crop "$readout_region" +repage "$work/readout-shown.png"
convert "$work/open-reference.png" -crop "$readout_region" +repage "$work/readout-absent.png"
shown="$(differing "$work/readout-shown.png" "$work/readout-absent.png")"
echo "the readout's plate differs from the editor without it in $shown pixels"
[[ "$shown" =~ ^[0-9]+$ ]] && [ "$shown" -gt 200 ] ||
  { echo "FAIL: the window shows no readout on the dragged knob" >&2; exit 1; }
readout_draw=()
# The drag reached the host as a parameter change.
touch "$stop.dump"
for _ in $(seq 1 100); do [ -e "$stop.dump" ] || break; sleep 0.1; done
energy="$(tr -d '\r' <"$log" | sed -n 's/^param System Energy //p' | head -n1)"
echo "SystemEnergyAmt after the drag: $energy (default 0.3)"
awk -v v="$energy" 'BEGIN { exit !(v > 0.35) }' ||
  { echo "FAIL: the drag did not reach the host as a parameter change" >&2; exit 1; }

# Click the next-preset arrow (row 17, centred at 900, 105): the first library preset is read
# from the preset folder, and its name and knobs are shown.
xdotool mousemove "$(px 900)" "$(px 105)" click 1
screenshot "$work/next-preset.png"
"$snapshot" --set "$set_name" --out "$work/next-preset-reference.png" \
  --preset-folder "$linux_presets" --drag 7 "-$(px 60)" --click 17 >/dev/null
compare_with "$work/next-preset.png" "$work/next-preset-reference.png"
# The name bar must show something other than before: a preset name took its place.
changed="$(differing "$work/dragged-dragged-text.png" "$work/next-preset-next-preset-text.png")"
[[ "$changed" =~ ^[0-9]+$ ]] && [ "$changed" -gt 0 ] ||
  { echo "FAIL: the preset name did not change ($changed)" >&2; exit 1; }

# Save through the system's save dialog: click SAVE (row 21, centred at 960, 105), type a name
# in the dialog and press Return. The dialog starts in the user folder, so the preset is
# written there with the sound now shown, which is the welcome preset's.
presets="$wine_state/prefix/drive_c/users/Public/Documents/VelmoraAudio/Fluvia/Presets"
saved="$presets/User/Saved By Test.fluviapreset"
rm -f "$saved"
xdotool mousemove "$(px 960)" "$(px 105)" click 1
dialog=""
for _ in $(seq 1 100); do
  dialog="$(xdotool search --name '^Save As$' 2>/dev/null | head -n1 || true)"
  [ -z "$dialog" ] || break
  sleep 0.1
done
[ -n "$dialog" ] || { echo "FAIL: no save dialog opened" >&2; exit 1; }
sleep 0.5
# The name field holds the suggested slot's name: select it all and type over it.
xdotool key Home shift+End
xdotool type --delay 30 "Saved By Test"
xdotool key Return
for _ in $(seq 1 100); do [ ! -s "$saved" ] || break; sleep 0.1; done
[ -s "$saved" ] || { echo "FAIL: the save dialog wrote no preset" >&2; exit 1; }
tag() { sed -n "s:.*<$1>\([^<]*\)</$1>.*:\1:p" "$2"; }
welcome="$presets/Factory/WLCM - The River Wild.fluviapreset"
for name in SystemEnergyAmt ParticlesCollisions ContainerSize; do
  [ "$(tag "$name" "$saved")" = "$(tag "$name" "$welcome")" ] ||
    { echo "FAIL: the saved $name is not the loaded preset's" >&2; exit 1; }
done
echo "saved through the dialog: $(basename "$saved"), SystemEnergyAmt $(tag SystemEnergyAmt "$saved")"
rm -f "$saved"

touch "$stop"
wait "$host"
trap - EXIT
