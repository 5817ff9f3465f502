#!/usr/bin/env bash
# jalv plays the built bundle on a JACK dummy server of its own, with MIDI from a JACK client
# of the test (jack_note_client): silence before the note, sound while it is held.
#   jalv_jack.sh <Fluvia.lv2> <jack_note_client> <scratch folder>
set -euo pipefail
bundle="$1" client="$2" scratch="$3"
rm -rf "$scratch"
mkdir -p "$scratch/lv2" "$scratch/home"
cp -r "$bundle" "$scratch/lv2/"
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config"
export LV2_PATH="$scratch/lv2:/usr/lib/lv2"
# One server per run, never shared with another test or a user's session.
export JACK_DEFAULT_SERVER="fluvia-lv2-test-$$"
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
