# Sourced by the jalv tests: a scratch folder holding a copy of the bundle, a private HOME,
# and a JACK dummy server of the test's own (never shared with another test or a user's
# session), ended with everything else the test started when the script exits.
#   source jack_scratch.sh <Fluvia.lv2> <scratch folder> <server name>
# Gives: pids (append what you start), waitfor SECONDS COMMAND...
bundle="$1" scratch="$2"
rm -rf "$scratch"
mkdir -p "$scratch/lv2" "$scratch/home"
cp -r "$bundle" "$scratch/lv2/"
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config"
export LV2_PATH="$scratch/lv2:/usr/lib/lv2"
export JACK_DEFAULT_SERVER="$3"
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
