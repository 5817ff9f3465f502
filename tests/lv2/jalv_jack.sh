#!/usr/bin/env bash
# jalv plays the built bundle on a JACK dummy server of its own, with MIDI from a JACK client
# of the test (jack_note_client): silence before the note, sound while it is held.
#   jalv_jack.sh <Fluvia.lv2> <jack_note_client> <scratch folder>
set -euo pipefail
client="$2"
source "$(dirname "${BASH_SOURCE[0]}")/jack_scratch.sh" "$1" "$3" "fluvia-lv2-test-$$"

# jalv's console reads commands from its standard input and ends at its end: keep it open.
mkfifo "$scratch/commands"
jalv -n Fluvia -x https://velmora.audio/plugins/fluvia < "$scratch/commands" > "$scratch/jalv.log" 2>&1 &
pids+=($!)
exec 3> "$scratch/commands"
ports_up() { jack_lsp | grep -qx 'Fluvia:out_right'; }
if ! waitfor 60 ports_up; then
  cat "$scratch/jalv.log"; echo "FAIL: jalv did not bring up the plug-in's ports"; exit 1
fi
jack_lsp | grep '^Fluvia:'
if "$client" Fluvia; then
  echo "ok: jalv played the note"
else
  cat "$scratch/jalv.log"; echo "FAIL: the note did not sound as expected"; exit 1
fi
exec 3>&-
