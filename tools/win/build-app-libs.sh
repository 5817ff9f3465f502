#!/usr/bin/env bash
# Builds the static libraries the Windows application needs from Debian's own source packages
# (Debian ships no mingw builds of them), as tools/win/build-libpng.sh does for libpng:
#   RtAudio (WASAPI and DirectSound), RtMidi (WinMM), libsndfile (WAV, no external codecs).
#   tools/win/build-app-libs.sh PREFIX
# Installs into PREFIX (include/, lib/librtaudio.a, lib/librtmidi.a, lib/libsndfile.a). Does
# nothing when PREFIX already holds them, so a build folder keeps its copy between runs.
set -euo pipefail
prefix="${1:?usage: build-app-libs.sh PREFIX}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
if [ -f "$prefix/lib/librtaudio.a" ] && [ -f "$prefix/lib/librtmidi.a" ] &&
   [ -f "$prefix/lib/libsndfile.a" ]; then
  exit 0
fi
mkdir -p "$prefix"
prefix="$(cd "$prefix" && pwd)"
work="$prefix/src-app"
rm -rf "$work"
mkdir -p "$work/apt/lists/partial" "$work/apt/archives/partial" "$work/apt/etc/sources.list.d"

# A private apt configuration that knows the source entries of the machine's own suites, so
# the system's package lists stay untouched.
sources=/etc/apt/sources.list.d/debian.sources
if [ -f "$sources" ]; then
  sed 's/^Types:.*/Types: deb-src/' "$sources" >"$work/apt/etc/sources.list.d/src.sources"
else
  grep -h '^deb ' /etc/apt/sources.list 2>/dev/null | sed 's/^deb /deb-src /' \
    >"$work/apt/etc/sources.list.d/src.list"
fi
cat >"$work/apt/apt.conf" <<CONF
Dir::State "$work/apt";
Dir::State::lists "$work/apt/lists";
Dir::State::status "/var/lib/dpkg/status";
Dir::Cache "$work/apt";
Dir::Cache::archives "$work/apt/archives";
Dir::Etc::sourcelist "/dev/null";
Dir::Etc::sourceparts "$work/apt/etc/sources.list.d";
APT::Sandbox::User "root";
CONF
export APT_CONFIG="$work/apt/apt.conf"
apt-get update -qq -o APT::Sandbox::User=root >/dev/null

unpack() {  # SOURCE_PACKAGE DIR: the upstream tarball of the package, unpacked into DIR
  # The security suite's source may be missing from the mirror; the release suite has it.
  (cd "$work" && apt-get source -qq --download-only -t bookworm "$1" >/dev/null 2>&1 ||
                 apt-get source -qq --download-only "$1" >/dev/null)
  local tarball
  tarball="$(ls "$work/$1"_*.orig.tar.* | head -n1)"
  mkdir -p "$2"
  tar -xf "$tarball" -C "$2" --strip-components=1
}

build() {  # SOURCE_DIR BUILD_DIR CMAKE_ARGS...
  local src="$1" dir="$2"
  shift 2
  cmake -S "$src" -B "$dir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" \
    >/dev/null
  cmake --build "$dir" >/dev/null
  cmake --install "$dir" >/dev/null
}

unpack rtaudio "$work/rtaudio"
# The build machine's own pkg-config would offer Linux's sound servers: every API but the two
# Windows ones is switched off by name.
build "$work/rtaudio" "$work/build-rtaudio" -DRTAUDIO_API_WASAPI=ON -DRTAUDIO_API_DS=ON \
  -DRTAUDIO_API_ASIO=OFF -DRTAUDIO_API_JACK=OFF -DRTAUDIO_API_PULSE=OFF -DRTAUDIO_API_ALSA=OFF \
  -DRTAUDIO_API_OSS=OFF -DRTAUDIO_API_CORE=OFF -DRTAUDIO_BUILD_TESTING=OFF
unpack rtmidi "$work/rtmidi"
build "$work/rtmidi" "$work/build-rtmidi" -DRTMIDI_BUILD_STATIC_LIBS=ON \
  -DRTMIDI_API_WINMM=ON -DRTMIDI_API_JACK=OFF -DRTMIDI_API_ALSA=OFF -DRTMIDI_API_CORE=OFF \
  -DRTMIDI_BUILD_TESTING=OFF
unpack libsndfile "$work/libsndfile"
build "$work/libsndfile" "$work/build-libsndfile" -DENABLE_EXTERNAL_LIBS=OFF -DENABLE_MPEG=OFF \
  -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF -DENABLE_CPACK=OFF \
  -DENABLE_PACKAGE_CONFIG=OFF -DINSTALL_PKGCONFIG_MODULE=OFF
rm -rf "$work"
echo "audio libraries for Windows: $prefix/lib"
