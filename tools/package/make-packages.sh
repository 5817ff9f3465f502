#!/usr/bin/env bash
# Makes the packages people install from the built modules:
#   fluvia_<version>_amd64.deb            VST3 bundle in /usr/lib/vst3, VST2 module in /usr/lib/vst,
#                                         CLAP module in /usr/lib/clap,
#                                         LV2 bundle in /usr/lib/lv2,
#                                         factory presets in /usr/share/fluvia/presets, the
#                                         README in /usr/share/doc/fluvia
#   Fluvia-<version>-linux-x86_64.tar.gz  the same modules and presets to unpack by hand, with
#                                         fluvia-install-presets to lay or upgrade the presets
#                                         and the README
#   Fluvia-<version>-win64-setup.exe      the Windows installer (when the win64 build exists)
#
#   bash tools/package/make-packages.sh [--out DIR] [--linux-build DIR] [--win-build DIR]
#                                       [--version X.Y.Z] [--factory DIR]
#
# Defaults: build/release, build/win64 and build/packages; the version is the project's; the
# factory presets are presets/factory (--factory: another version's, for upgrade tests).
# A module that was not built is left out with a note; the Linux VST3 bundle is required.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/common.sh"
out="$root/build/packages"
linux_build="$root/build/release"
win_build="$root/build/win64"
version="$project_version"
factory="$root/presets/factory"
while [ $# -gt 0 ]; do
  case "$1" in
    --out) out="$2"; shift 2 ;;
    --linux-build) linux_build="$2"; shift 2 ;;
    --win-build) win_build="$2"; shift 2 ;;
    --version) version="$2"; shift 2 ;;
    --factory) factory="$(cd "$2" && pwd)"; shift 2 ;;
    *) echo "usage: make-packages.sh [--out DIR] [--linux-build DIR] [--win-build DIR] [--version X.Y.Z] [--factory DIR]" >&2
       exit 2 ;;
  esac
done

vst3="$linux_build/adapters/vst3/Fluvia.vst3"
vst2="$linux_build/adapters/vst2/Fluvia.so"
win_vst3="$win_build/adapters/vst3/Fluvia.vst3"
win_vst2="$win_build/adapters/vst2/Fluvia.dll"
installer_tool="$linux_build/tools/presets/fluvia-install-presets"
if [ ! -f "$vst3/Contents/x86_64-linux/Fluvia.so" ]; then
  echo "make-packages: $vst3 is not built (cmake --build --preset release)" >&2
  exit 1
fi
[ -f "$vst2" ] || { echo "note: no VST2 module at $vst2: the Linux packages carry the VST3 bundle only" >&2; vst2=""; }
clap="$linux_build/adapters/clap/Fluvia.clap"
[ -f "$clap" ] || { echo "note: no CLAP module at $clap: the Linux packages carry none" >&2; clap=""; }
lv2="$linux_build/adapters/lv2/Fluvia.lv2"
[ -f "$lv2/Fluvia.so" ] || { echo "note: no LV2 bundle at $lv2: the Linux packages carry none" >&2; lv2=""; }
[ -x "$installer_tool" ] || { echo "make-packages: $installer_tool is not built" >&2; exit 1; }
app="$linux_build/app/fluvia"
[ -f "$app" ] || { echo "note: no application at $app: the Debian package carries the plug-ins only" >&2; app=""; }

mkdir -p "$out"
out="$(cd "$out" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Reproducible archives: every file dated like the last commit (or now outside a checkout).
stamp="$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)"
export SOURCE_DATE_EPOCH="$stamp"

# Copies the Linux modules to <dir>/<vst3 dir> and <dir>/<vst2 dir>, stripped of their symbol
# tables, with the permissions a shared library has.
stage_linux_modules() {
  local vst3_dir="$1" vst2_dir="$2"
  mkdir -p "$vst3_dir"
  cp -r "$vst3" "$vst3_dir/"
  if [ -n "$vst2" ]; then
    mkdir -p "$vst2_dir"
    cp "$vst2" "$vst2_dir/Fluvia.so"
  fi
  find "$vst3_dir/Fluvia.vst3" ${vst2:+"$vst2_dir/Fluvia.so"} -name '*.so' \
    -exec strip --strip-unneeded --remove-section=.comment {} +
  find "$vst3_dir/Fluvia.vst3" -type d -exec chmod 755 {} +
  find "$vst3_dir/Fluvia.vst3" ${vst2:+"$vst2_dir/Fluvia.so"} -type f -exec chmod 644 {} +
}

# Copies the Linux CLAP module to <dir>/Fluvia.clap, stripped, with a shared library's
# permissions (nothing when it was not built).
stage_linux_clap() {
  [ -n "$clap" ] || return 0
  mkdir -p "$1"
  cp "$clap" "$1/Fluvia.clap"
  strip --strip-unneeded --remove-section=.comment "$1/Fluvia.clap"
  chmod 644 "$1/Fluvia.clap"
}

# Copies the LV2 bundle (when built) to <dir>/Fluvia.lv2, its binary stripped.
stage_lv2_bundle() {
  [ -n "$lv2" ] || return 0
  mkdir -p "$1"
  cp -r "$lv2" "$1/"
  strip --strip-unneeded --remove-section=.comment "$1/Fluvia.lv2/Fluvia.so"
  chmod 755 "$1/Fluvia.lv2"
  find "$1/Fluvia.lv2" -type f -exec chmod 644 {} +
}

# ---- Debian package -------------------------------------------------------------------------
# dpkg-shlibdeps expects the files in the package's folder below a source tree.
deb_root="$work/src/debian/fluvia"
stage_linux_modules "$deb_root/usr/lib/vst3" "$deb_root/usr/lib/vst"
stage_linux_clap "$deb_root/usr/lib/clap"
stage_lv2_bundle "$deb_root/usr/lib/lv2"
install -d "$deb_root/usr/share/fluvia/presets" "$deb_root/usr/share/doc/fluvia"
install -m 644 "$factory"/*.fluviapreset "$deb_root/usr/share/fluvia/presets/"
install -m 644 "$here/debian/copyright" "$deb_root/usr/share/doc/fluvia/copyright"
# The README: what each knob does, the presets, where things live, removing, troubleshooting.
gzip -9n < "$root/README.md" > "$deb_root/usr/share/doc/fluvia/README.md.gz"
chmod 644 "$deb_root/usr/share/doc/fluvia/README.md.gz"
sed "s/@VERSION@/$version/; s/@DATE@/$(date -u -R -d "@$stamp")/" "$here/debian/changelog.in" \
  | gzip -9n > "$deb_root/usr/share/doc/fluvia/changelog.gz"
chmod 644 "$deb_root/usr/share/doc/fluvia/changelog.gz"

# The application: the program, its desktop entry, its icon in the sizes desktops look for and
# its manual page, by the freedesktop and Debian conventions.
if [ -n "$app" ]; then
  install -d -m 755 "$deb_root/usr/bin" "$deb_root/usr/share/applications" \
    "$deb_root/usr/share/man/man1" "$deb_root/usr/share/icons/hicolor/scalable/apps"
  install -m 755 "$app" "$deb_root/usr/bin/fluvia"
  strip --strip-unneeded --remove-section=.comment "$deb_root/usr/bin/fluvia"
  install -m 644 "$root/app/resources/fluvia.desktop" "$deb_root/usr/share/applications/"
  for size in 16 32 48 64 128 256; do
    install -d -m 755 "$deb_root/usr/share/icons/hicolor/${size}x${size}/apps"
    install -m 644 "$root/resources/icons/fluvia-$size.png" \
      "$deb_root/usr/share/icons/hicolor/${size}x${size}/apps/fluvia.png"
  done
  install -m 644 "$root/resources/icons/fluvia.svg" "$deb_root/usr/share/icons/hicolor/scalable/apps/"
  gzip -9n < "$here/debian/fluvia.1" > "$deb_root/usr/share/man/man1/fluvia.1.gz"
  chmod 644 "$deb_root/usr/share/man/man1/fluvia.1.gz"
fi

# Dependencies from the libraries the modules link; dpkg-shlibdeps reads the source tree's
# control file, so give it a minimal one, and finds the package's root by its DEBIAN folder.
mkdir -p "$deb_root/DEBIAN"
printf 'Source: fluvia\n\nPackage: fluvia\nArchitecture: amd64\n' > "$work/src/debian/control"
depends="$(cd "$work/src" && dpkg-shlibdeps -O $(find debian/fluvia/usr/lib -name '*.so' -o -name '*.clap') \
           ${app:+debian/fluvia/usr/bin/fluvia} \
           | sed -n 's/^shlibs:Depends=//p')"
installed_size="$(du -sk --apparent-size "$deb_root/usr" | cut -f1)"
sed -e "s/@VERSION@/$version/" -e "s/@DEPENDS@/$depends/" -e "s/@SIZE@/$installed_size/" \
    "$here/debian/control.in" > "$deb_root/DEBIAN/control"
(cd "$deb_root" && find usr -type f -print0 | sort -z | xargs -0 md5sum > DEBIAN/md5sums)
chmod 644 "$deb_root/DEBIAN/control" "$deb_root/DEBIAN/md5sums"
find "$deb_root" -exec touch -h -d "@$stamp" {} +
deb="$out/fluvia_${version}_amd64.deb"
dpkg-deb --root-owner-group -Zxz --build "$deb_root" "$deb" >/dev/null
echo "made $deb"

# ---- Archive --------------------------------------------------------------------------------
name="Fluvia-$version-linux-x86_64"
tar_root="$work/tar/$name"
stage_linux_modules "$tar_root" "$tar_root"
stage_linux_clap "$tar_root"
stage_lv2_bundle "$tar_root"
install -d "$tar_root/Presets/Factory"
install -m 644 "$factory"/*.fluviapreset "$tar_root/Presets/Factory/"
# The tool knows the earlier versions' factory files, so it can upgrade them.
install -m 755 "$installer_tool" "$tar_root/fluvia-install-presets"
strip --strip-unneeded --remove-section=.comment "$tar_root/fluvia-install-presets"
sed "s/@VERSION@/$version/" "$here/INSTALL-linux.txt" > "$tar_root/INSTALL.txt"
install -m 644 "$root/LICENSE" "$tar_root/LICENSE.txt"
install -m 644 "$root/README.md" "$tar_root/README.md"
install -m 644 "$here/debian/copyright" "$tar_root/COPYRIGHT.txt"
[ -n "$vst2" ] || sed -i '/^VST2:/,/^$/d' "$tar_root/INSTALL.txt"
[ -n "$clap" ] || sed -i '/^CLAP:/,/^$/d' "$tar_root/INSTALL.txt"
[ -n "$lv2" ] || sed -i '/^LV2:/,/^$/d' "$tar_root/INSTALL.txt"
tgz="$out/$name.tar.gz"
tar -C "$work/tar" --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$stamp" \
    -cf - "$name" | gzip -9n > "$tgz"
echo "made $tgz"

# ---- Windows installer ----------------------------------------------------------------------
if [ ! -f "$win_vst3/Contents/x86_64-win/Fluvia.vst3" ]; then
  echo "note: no Windows build at $win_build: no installer made" >&2
  exit 0
fi
if [ ! -f "$win_vst2" ]; then
  echo "note: no Windows VST2 module at $win_vst2: no installer made" >&2
  exit 0
fi
win_stage="$work/win"
stage_windows_modules "$win_build" "$win_stage"
bash "$here/make-installer.sh" --version "$version" --modules "$win_stage" \
  --presets "$factory" --out "$out/Fluvia-$version-win64-setup.exe"
