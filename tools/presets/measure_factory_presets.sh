#!/bin/sh
# Renders every factory preset with fluvia-render (one long note) and measures the results
# with fluvia-analyze, so the presets can be compared by level, brightness, events and width.
#
#   tools/presets/measure_factory_presets.sh BUILD_DIR [RATE]
#
# The WAV files go to $BUILD_DIR/factory-preset-renders/.
set -eu
build=${1:?usage: measure_factory_presets.sh BUILD_DIR [RATE]}
rate=${2:-48000}
here=$(cd "$(dirname "$0")" && pwd)
factory="$here/../../presets/factory"
render="$build/tools/render/fluvia-render"
analyze="$build/tools/presets/fluvia-analyze"
out="$build/factory-preset-renders"
mkdir -p "$out"

tags="AmpFadeInOut AmpMainVolume ContainerDamping ContainerSize ParticlesCollisions
ParticlesMassSpread ParticlesWeightVelocityRatio SoundfieldAmt SystemEnergyAmt"

set --
for preset in "$factory"/*.fluviapreset; do
  name=$(basename "$preset" .fluviapreset)
  wav="$out/$(echo "$name" | tr -c 'A-Za-z0-9\n' '_').wav"
  params=""
  for tag in $tags; do
    value=$(sed -n "s|.*<$tag>\([^<]*\)</$tag>.*|\1|p" "$preset")
    params="$params --param $tag=$value"
  done
  # shellcheck disable=SC2086  # the parameter list is split on purpose
  "$render" -o "$wav" --rate "$rate" --length 8 --tail 2 $params > /dev/null
  set -- "$@" "$wav"
done
# The first two seconds hold the attack of the slowest fade; the note ends at 8 s, and the
# tail is timed from there.
"$analyze" --octaves --from 2 --to 8 --release 8 "$@"
