#!/usr/bin/env bash
# Gathers the Windows deliverables of a win64 build into one folder, laid out as they are
# installed on Windows:
#   Fluvia.vst3/                  -> C:\Program Files\Common Files\VST3\
#   Fluvia.dll                    -> the host's VST2 folder
#   Fluvia.clap                   -> C:\Program Files\Common Files\CLAP\
#   Fluvia.exe                    the application, which runs from anywhere
#   fluvia-install-presets.exe    lays the factory presets into the common documents folder
#                                 (C:\Users\Public\Documents\VelmoraAudio\Fluvia\Presets\)
#   License.txt, Readme.txt       the licences of everything in the modules and the read-me,
#                                 as the installer lays them (tools/package/windows/make-docs.sh)
#   collect-dist.sh BUILD_DIR OUT_DIR
set -euo pipefail
build="${1:?usage: collect-dist.sh BUILD_DIR OUT_DIR}" out="${2:?usage: collect-dist.sh BUILD_DIR OUT_DIR}"
rm -rf "$out"
mkdir -p "$out"
cp -r "$build/adapters/vst3/Fluvia.vst3" "$out/"
[ ! -f "$build/adapters/vst2/Fluvia.dll" ] || cp "$build/adapters/vst2/Fluvia.dll" "$out/"
[ ! -f "$build/adapters/clap/Fluvia.clap" ] || cp "$build/adapters/clap/Fluvia.clap" "$out/"
[ ! -f "$build/app/Fluvia.exe" ] || cp "$build/app/Fluvia.exe" "$out/"
cp "$build/tools/presets/fluvia-install-presets.exe" "$out/"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
version="$(sed -n 's/^project(Fluvia VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
bash "$root/tools/package/windows/make-docs.sh" "$version" "$out"
echo "Windows deliverables in $out:"
(cd "$out" && find . -type f | sort | sed 's/^\.\//  /')
