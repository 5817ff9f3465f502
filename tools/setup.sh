#!/usr/bin/env bash
# One command from a fresh machine to a playing plug-in: installs the missing packages,
# builds every deliverable this machine can build (the Linux modules, and the Windows x64
# modules with the mingw-w64 cross compiler into dist/windows/), installs the plug-ins and
# the factory presets where hosts and users look for them, and renders a demo of the welcome
# preset to fluvia-demo.wav through the installed VST3 module.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash tools/setup/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
# The Windows deliverables, loose in dist/windows: Fluvia.vst3 (bundle), Fluvia.dll (VST2) and
# the preset installer. The Windows installer that packs them is made with the packages below.
if command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
  cmake --preset win64 >/dev/null
  cmake --build --preset win64
  bash tools/win/collect-dist.sh build/win64 dist/windows
fi
# The packages people install (Debian package, archive and, with the win64 build, the
# Windows installer), into build/packages.
bash tools/package/make-packages.sh

build=build/release
demo="$root/fluvia-demo.wav"
vst3_bundle="$build/adapters/vst3/Fluvia.vst3"
if [ -d "$vst3_bundle" ]; then
  mkdir -p "$HOME/.vst3"
  rm -rf "$HOME/.vst3/Fluvia.vst3"
  cp -r "$vst3_bundle" "$HOME/.vst3/"
  echo "installed $HOME/.vst3/Fluvia.vst3"
fi
if [ -f "$build/adapters/vst2/Fluvia.so" ]; then
  mkdir -p "$HOME/.vst"
  cp "$build/adapters/vst2/Fluvia.so" "$HOME/.vst/Fluvia.so"
  echo "installed $HOME/.vst/Fluvia.so"
fi
if [ -f "$build/adapters/clap/Fluvia.clap" ]; then
  mkdir -p "$HOME/.clap"
  cp "$build/adapters/clap/Fluvia.clap" "$HOME/.clap/Fluvia.clap"
  echo "installed $HOME/.clap/Fluvia.clap"
fi
if [ -d "$build/adapters/lv2/Fluvia.lv2" ]; then
  mkdir -p "$HOME/.lv2"
  rm -rf "$HOME/.lv2/Fluvia.lv2"
  cp -r "$build/adapters/lv2/Fluvia.lv2" "$HOME/.lv2/"
  echo "installed $HOME/.lv2/Fluvia.lv2"
fi
if [ -x "$build/app/fluvia" ]; then
  # The application, where a desktop session finds programs of the person's own.
  mkdir -p "$HOME/.local/bin"
  cp "$build/app/fluvia" "$HOME/.local/bin/fluvia"
  echo "installed $HOME/.local/bin/fluvia"
fi
if [ -x "$build/tools/presets/fluvia-install-presets" ]; then
  "$build/tools/presets/fluvia-install-presets"
fi

render=("$build/tools/render/fluvia-render" -o "$demo" --note 60 --length 6 --tail 3
        --param PresetSelector=1)
if [ -d "$HOME/.vst3/Fluvia.vst3" ]; then
  render+=(--vst3 "$HOME/.vst3/Fluvia.vst3")
fi
"${render[@]}"
