# Shared by the package scripts (sourced): the source tree, the project's version, the
# failure report of the tests and the Windows modules as the installer carries them.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
project_version="$(sed -n 's/^project(Fluvia VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
fail() { echo "FAIL: $*" >&2; exit 1; }

# The Windows modules of a win64 build as the installer carries them, into DEST:
# Fluvia.vst3 (the bundle), Fluvia.dll and Fluvia.clap, and the application Fluvia.exe when it
# was built. (The release link leaves no symbol table to strip, and stripping a Windows module
# would only give it a new time stamp.)
stage_windows_modules() {  # WIN_BUILD DEST
  mkdir -p "$2"
  cp -r "$1/adapters/vst3/Fluvia.vst3" "$2/"
  cp "$1/adapters/vst2/Fluvia.dll" "$2/Fluvia.dll"
  cp "$1/adapters/clap/Fluvia.clap" "$2/Fluvia.clap"
  if [ -f "$1/app/Fluvia.exe" ]; then cp "$1/app/Fluvia.exe" "$2/Fluvia.exe"; fi
}
