#!/bin/sh
# The Debian package: built from this build folder, its control fields, lintian's verdict, and
# its tree unpacked with dpkg-deb -x working on its own: --version, and a build with the Stub
# it ships.
set -eu
source_dir=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$build/bin/stub.exe" ] || { echo "this build has no Stub: skipped"; exit 77; }
command -v dpkg-shlibdeps > /dev/null || { echo "dpkg-dev is missing: skipped"; exit 77; }

deb=$("$source_dir/scripts/make-deb.sh" "$build" "$work") || fail "make-deb.sh failed"
version=$("$build/bin/packwright" --version)
[ "$(basename "$deb")" = "packwright_${version#packwright }_amd64.deb" ] || fail "named $(basename "$deb")"
dpkg-deb -f "$deb" Depends | grep -q "libc6 (>= " || fail "Depends: $(dpkg-deb -f "$deb" Depends)"
[ "$(dpkg-deb -f "$deb" Recommends)" = "wine, wine32, xvfb" ] || fail "Recommends: $(dpkg-deb -f "$deb" Recommends)"

# Debian's own checks: no error or warning.
if command -v lintian > /dev/null; then
  lintian --fail-on error,warning "$deb" > "$work/lintian.txt" 2>&1 || { cat "$work/lintian.txt"; fail "lintian"; }
fi

dpkg-deb -x "$deb" "$work/x"
tool=$work/x/usr/bin/packwright
[ "$("$tool" --version)" = "$version" ] || fail "the unpacked tool is not $version"
[ -f "$work/x/usr/share/man/man1/packwright.1.gz" ] || fail "no compressed man page"
"$tool" build "$work/x/usr/share/doc/packwright/examples/sample/setup.toml" -o "$work/sample.exe" -q \
  || fail "the unpacked tool did not build the example"
"$tool" verify "$work/sample.exe" | grep -q "the one shipped with $version" || fail "Stub not recognised"
echo "debian package: all checks passed"
