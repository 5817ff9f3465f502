#!/usr/bin/env bash
# Fluvia.exe under Wine, which has no audio device here: the window opens as the editor, the
# editor says that no audio device is available, and Ctrl+Q closes it cleanly (exit status 0,
# the instrument's state saved). The screenshot is compared with the Linux program's under the
# same conditions (no sound server, no sound card) and with the plain editor of the snapshot
# tool: the art must match the Linux window, the notice must be there, drawn where the Linux
# one is (GDI's glyphs differ from FreeType's, so text areas get a tolerance).
#   app_check.sh WIN_APP NATIVE_APP NATIVE_SNAPSHOT WINE_STATE WORK_DIR
# Run inside xvfb-run with a screen of at least 1000 x 960.
set -euo pipefail
win_app="$1" native_app="$2" snapshot="$3" wine_state="$4" work="$5"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
wine_run="$here/../../tools/win/wine-run.sh"
for program in "$native_app" "$snapshot"; do
  [ -x "$program" ] || { echo "FAIL: $program missing: build the release preset first" >&2; exit 1; }
done
rm -rf "$work"
mkdir -p "$work/home"
fail() { echo "FAIL: $*" >&2; exit 1; }
# Waits for a top-level window named Fluvia; prints its id.
window_of() {
  for _ in $(seq 1 150); do
    id="$(xdotool search --onlyvisible --name '^Fluvia$' 2>/dev/null | head -n1 || true)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}
geometry() {  # WINDOW: prints "X Y W H"
  xdotool getwindowgeometry --shell "$1" | awk -F= '{v[$1]=$2} END {print v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]}'
}
differing() {  # pixels of $1 and $2 differing beyond a small colour tolerance
  compare -metric AE -fuzz 2% "$1" "$2" null: 2>&1 >/dev/null || true
}

# The Linux program first: its picture is what the notice looks like there.
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" JACK_DEFAULT_SERVER="fluvia-none-$$" \
  PULSE_SERVER="unix:$work/no-pulse" "$native_app" >"$work/linux.log" 2>&1 &
linux=$!
id="$(window_of)" || { kill "$linux" 2>/dev/null; cat "$work/linux.log" >&2; fail "the Linux window did not open"; }
sleep 1
read -r x y w h <<<"$(geometry "$id")"
import -window root -crop "${w}x${h}+${x}+${y}" +repage "$work/linux.png"
kill -TERM "$linux"
wait "$linux" || fail "the Linux program did not end cleanly"
"$snapshot" --set large --out "$work/plain.png" >/dev/null

# Fluvia.exe.
"$wine_run" "$wine_state" "$win_app" >"$work/windows.log" 2>&1 &
app=$!
finish() { kill "$app" 2>/dev/null || true; }
trap finish EXIT
id="$(window_of)" || { cat "$work/windows.log" >&2; fail "the Windows window did not open"; }
sleep 2
read -r x y w h <<<"$(geometry "$id")"
# Wine draws the frame of a window no window manager looks after: a border of equal width on
# three sides and the caption on top. The client area, the editor, is what is inside.
border=$(((w - 1000) / 2))
caption=$((h - 960 - border))
echo "Fluvia.exe window: ${w}x${h} at $x,$y (border $border, caption $caption)"
[ "$border" -ge 0 ] && [ "$border" -le 10 ] && [ "$caption" -ge 0 ] && [ "$caption" -le 40 ] &&
  [ $((w - 2 * border)) = 1000 ] || fail "the window is ${w}x${h}, not a frame around the editor's 1000x960"
x=$((x + border)) y=$((y + caption))
import -window root -crop "1000x960+${x}+${y}" +repage "$work/windows.png"

# Where the Linux notice is: the part of its window that differs from the plain editor.
compare -fuzz 2% "$work/linux.png" "$work/plain.png" -compose src -highlight-color white \
  -lowlight-color black "$work/notice-mask.png" 2>/dev/null || true
box="$(convert "$work/notice-mask.png" -trim -format '%wx%h%O' info:)"
echo "the notice covers $box"
[[ "$box" =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || fail "the Linux window shows no notice"
bw="${BASH_REMATCH[1]}" bh="${BASH_REMATCH[2]}" bx="${BASH_REMATCH[3]}" by="${BASH_REMATCH[4]}"
[ "$bw" -gt 400 ] && [ "$bh" -gt 100 ] || fail "the Linux notice is only $box"
box_rectangle="rectangle $bx,$by $((bx + bw - 1)),$((by + bh - 1))"
# The preset name bar, which GDI draws too.
bar_rectangle="rectangle 120,80 879,129"
for image in windows linux plain; do
  convert "$work/$image.png" -fill black -draw "$box_rectangle" -draw "$bar_rectangle" "$work/$image-art.png"
  convert "$work/$image.png" -crop "$box" +repage "$work/$image-notice.png"
done
art="$(differing "$work/windows-art.png" "$work/linux-art.png")"
notice="$(differing "$work/windows-notice.png" "$work/linux-notice.png")"
shown="$(differing "$work/windows-notice.png" "$work/plain-notice.png")"
pixels=$((bw * bh))
echo "outside the notice and the name: $art pixels differ; inside the notice: $notice of $pixels" \
     "differ from Linux's notice, $shown from the editor without one"
[[ "$art" =~ ^[0-9]+$ && "$notice" =~ ^[0-9]+$ && "$shown" =~ ^[0-9]+$ ]] || fail "cannot compare"
[ "$art" -le 50 ] || fail "the window does not show the editor"
[ "$notice" -le $((pixels * 15 / 100)) ] || fail "the notice does not look like Linux's"
[ "$shown" -ge $((pixels * 30 / 100)) ] || fail "the window shows no notice"
grep -q "No audio device is available" "$work/windows.log" ||
  { cat "$work/windows.log" >&2; fail "Fluvia.exe did not say that no audio device is available"; }

# Ctrl+Q closes it: the state is saved and the program ends with status 0.
xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus "$id" 2>/dev/null || true
xdotool mousemove $((x + 500)) $((y + 900)) key ctrl+q
status=0
for _ in $(seq 1 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "Fluvia.exe did not end after Ctrl+Q"
wait "$app" || status=$?
trap - EXIT
[ "$status" = 0 ] || { cat "$work/windows.log" >&2; fail "Fluvia.exe ended with status $status"; }
state="$wine_state/prefix/drive_c/users/Public/Documents/VelmoraAudio/Fluvia/Application State.dat"
[ -f "$state" ] || fail "Fluvia.exe saved no state at $state"
echo "ok: Fluvia.exe opened the editor, said there is no audio device and closed cleanly"
