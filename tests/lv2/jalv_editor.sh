#!/usr/bin/env bash
# jalv.gtk3 shows the editor: the plug-in's X11 window embedded in jalv's window (through
# suil), at the editor's size. Run under a private X server (xvfb-run) with a JACK dummy server
# of its own.
#   jalv_editor.sh <Fluvia.lv2> <scratch folder>
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/jack_scratch.sh" "$1" "$2" "fluvia-lv2-editor-$$"
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
