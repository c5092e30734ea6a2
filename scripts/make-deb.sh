#!/usr/bin/env bash
# Builds packwright_<version>_amd64.deb from a build folder (default: build/), out of what
# `cmake --install` puts in a tree under /usr, with the files Debian asks for beside it. The
# shared libraries it depends on are computed by dpkg-shlibdeps from the binary itself.
#
#   scripts/make-deb.sh [BUILD_FOLDER [OUTPUT_FOLDER]]
#
# For a release, configure the build folder with Debian's hardening flags first:
#   cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release \
#     -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
#     -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$source_dir/build}" && pwd)
out=${2:-$build}

cmake --build "$build" --target packwright packwright_manual_files windows >/dev/null
version=$("$build/bin/packwright" --version | awk '{print $2}')
[ -n "$version" ] || { echo "make-deb: no version from $build/bin/packwright" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Where dpkg-shlibdeps expects the tree of package "packwright".
root=$work/debian/packwright
DESTDIR=$root cmake --install "$build" --prefix /usr --strip >/dev/null
[ -f "$root/usr/lib/packwright/stub.exe" ] || { echo "make-deb: the build has no Stub" >&2; exit 1; }

doc=$root/usr/share/doc/packwright
# Dates from the last commit, so the same commit gives the same package.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$source_dir" log -1 --format=%ct 2>/dev/null || date +%s)}
gzip -9n "$root/usr/share/man/man1/packwright.1"
strip --remove-section=.comment --remove-section=.note "$root/usr/bin/packwright"
cat > "$work/changelog" <<CHANGELOG
packwright ($version) unstable; urgency=medium

  * Packwright $version.

 -- Packwright developers <packwright@users.noreply.example>  $(date -u -R -d "@$epoch")
CHANGELOG
gzip -9n < "$work/changelog" > "$doc/changelog.gz"
cat > "$doc/copyright" <<COPYRIGHT
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: packwright

Files: *
Copyright: $(date -u -d "@$epoch" +%Y) Packwright developers
License: all-rights-reserved
 No licence has been granted yet; ask the Packwright developers before redistributing.
COPYRIGHT

find "$root" -type d -exec chmod 0755 {} +
find "$root" -type f -exec chmod 0644 {} +
chmod 0755 "$root/usr/bin/packwright"
find "$root" -exec touch -h -d "@$epoch" {} +

# dpkg-shlibdeps reads the package names from a control file, and knows the package's tree
# by its DEBIAN folder.
mkdir -p "$root/DEBIAN"
printf 'Source: packwright\n\nPackage: packwright\nArchitecture: amd64\n' > "$work/debian/control"
depends=$(cd "$work" && dpkg-shlibdeps -O debian/packwright/usr/bin/packwright | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "make-deb: dpkg-shlibdeps found no dependencies" >&2; exit 1; }

(cd "$root" && find usr -type f -print0 | sort -z | xargs -0 md5sum) > "$root/DEBIAN/md5sums"
cat > "$root/DEBIAN/control" <<CONTROL
Package: packwright
Version: $version
Architecture: amd64
Maintainer: Packwright developers <packwright@users.noreply.example>
Installed-Size: $(du -sk --exclude=DEBIAN "$root" | cut -f1)
Depends: $depends
Recommends: wine, wine32, xvfb
Section: devel
Priority: optional
Description: build self-extracting setup programs for Windows
 packwright turns a TOML manifest and the files it names into a setup program
 for Windows: a small 32-bit program, the Stub, with a compressed package behind
 it, split into volume files on request. It also lists, verifies and extracts
 existing installers, and drafts a first manifest for a folder of files.
 .
 Builds are reproducible and need nothing but this package. Wine, 32-bit Wine
 and Xvfb are recommended only for trying installers on this machine.
CONTROL
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"

mkdir -p "$out"
deb=$out/packwright_${version}_amd64.deb
SOURCE_DATE_EPOCH=$epoch dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "$deb"
