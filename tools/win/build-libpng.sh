#!/usr/bin/env bash
# Builds a static libpng for the Windows cross build from Debian's own source package (Debian
# ships no mingw libpng), against the static zlib of libz-mingw-w64-dev.
#   tools/win/build-libpng.sh PREFIX
# Installs into PREFIX (include/, lib/libpng16.a). Does nothing when PREFIX already holds it,
# so a build folder keeps its copy between runs.
set -euo pipefail
prefix="${1:?usage: build-libpng.sh PREFIX}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
if [ -f "$prefix/lib/libpng16.a" ] && [ -f "$prefix/include/png.h" ]; then
  exit 0
fi
mkdir -p "$prefix"
prefix="$(cd "$prefix" && pwd)"
work="$prefix/src"
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
# The security suite's source may be missing from the mirror; the release suite has it.
(cd "$work" && apt-get source -qq --download-only -t bookworm libpng1.6 >/dev/null 2>&1 ||
               apt-get source -qq --download-only libpng1.6 >/dev/null)
tarball="$(ls "$work"/libpng1.6_*.orig.tar.* | head -n1)"
mkdir -p "$work/libpng"
tar -xf "$tarball" -C "$work/libpng" --strip-components=1

cmake -S "$work/libpng" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON \
  -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a \
  -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include >/dev/null
cmake --build "$work/build" >/dev/null
cmake --install "$work/build" >/dev/null
rm -rf "$work"
echo "libpng for Windows: $prefix/lib/libpng16.a"
