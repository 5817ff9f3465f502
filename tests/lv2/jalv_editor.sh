#!/usr/bin/env bash
# jalv.gtk3 shows the editor: the plug-in's X11 window embedded in jalv's window (through
# suil), at the editor's size. Run under a private X server (xvfb-run) with a JACK dummy server
# of its own.
#   jalv_editor.sh <Fluvia.lv2> <scratch folder>
set -euo pipefail
bundle="$1" scratch="$2"
rm -rf "$scratch"
mkdir -p "$scratch/lv2" "$scratch/home"
cp -r "$bundle" "$scratch/lv2/"
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config"
export LV2_PATH="$scratch/lv2:/usr/lib/lv2"
export JACK_DEFAULT_SERVER="fluvia-lv2-editor-$$"
export JACK_NO_AUDIO_RESERVATION=1
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT
waitfor() {  # seconds, command...
  local tries=$(( $1 * 10 )); shift
  for _ in $(seq "$tries"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 > "$scratch/jackd.log" 2>&1 &
pids+=($!)
waitfor 30 jack_lsp || { cat "$scratch/jackd.log"; echo "FAIL: the JACK dummy server did not start"; exit 1; }
jalv.gtk3 -s https://velmora.audio/plugins/fluvia > "$scratch/jalv.log" 2>&1 &
pids+=($!)
# The editor's own window is named "IPlugin"; Large at 1000 x 960 (the screen is large enough).
editor_shown() { xwininfo -root -tree | grep -q '"IPlugin": ()  1000x960'; }
if waitfor 60 editor_shown; then
  xwininfo -root -tree | grep -B3 '"IPlugin"'
  kill -0 "${pids[1]}" || { echo "FAIL: jalv.gtk3 ended"; exit 1; }
  echo "ok: jalv.gtk3 shows the editor"
else
  xwininfo -root -tree | head -40
  cat "$scratch/jalv.log" | tail -20
  echo "FAIL: no editor window in jalv.gtk3"
  exit 1
fi
