#!/bin/sh
# packwright build from a shell: the example builds, verifies, extracts to the very files it
# was made from, splits into volumes, and fails with the documented exit codes and no output.
set -eu
tool=$1
example=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Any file holding the locator serves as a stub.
printf 'MZ test stub WHERETOSTARTSTRING:\000\000\000\000' > "$work/stub.exe"

"$tool" build "$example/setup.toml" -o "$work/out/setup.exe" --stub "$work/stub.exe" -j 2 > "$work/log" 2>&1 \
  || { cat "$work/log"; fail "the example did not build"; }
grep -q "wrote $work/out/setup.exe" "$work/log" || fail "no summary line"
"$tool" verify "$work/out/setup.exe" > /dev/null || fail "verify rejected the example"
"$tool" extract "$work/out/setup.exe" -d "$work/x" > /dev/null
cmp "$example/files/readme.txt" "$work/x/OurProgramDir/readme.txt" || fail "readme differs"
cmp "$example/files/settings.ini" "$work/x/OurProgramDir/settings.ini" || fail "settings differ"
cmp "$example/files/data/shapes.dat" "$work/x/OurProgramDir/data/shapes.dat" || fail "shapes differ"
cmp "$example/files/shared/palette.dat" "$work/x/WinDir/SampleShared/palette.dat" || fail "palette differs"

# The same inputs give the same bytes.
"$tool" build "$example/setup.toml" -o "$work/again.exe" --stub "$work/stub.exe" -j 1 -q
cmp "$work/out/setup.exe" "$work/again.exe" || fail "two builds differ"

# With SOURCE_DATE_EPOCH, later file times give way to it: a fresh checkout builds the same bytes.
SOURCE_DATE_EPOCH=1600000000 "$tool" build "$example/setup.toml" -o "$work/epoch1.exe" --stub "$work/stub.exe" -q
cp -r "$example" "$work/checkout"
SOURCE_DATE_EPOCH=1600000000 "$tool" build "$work/checkout/setup.toml" -o "$work/epoch2.exe" --stub "$work/stub.exe" -q
cmp "$work/epoch1.exe" "$work/epoch2.exe" || fail "SOURCE_DATE_EPOCH did not settle the file times"
"$tool" list "$work/epoch1.exe" | grep -q "2020-09-13 12:26:40" || fail "file times not clamped"

# Volumes, read back whole; then one file again, and the old volumes are gone.
"$tool" build "$example/setup.toml" -o "$work/out/setup.exe" --stub "$work/stub.exe" --volume-size 700 -q
[ -f "$work/out/setup.002" ] || fail "no volumes written"
"$tool" verify "$work/out/setup.exe" > /dev/null || fail "verify rejected the volumes"
"$tool" build "$example/setup.toml" -o "$work/out/setup.exe" --stub "$work/stub.exe" -q
[ ! -e "$work/out/setup.001" ] || fail "stale volume left behind"
[ "$(ls "$work/out" | wc -l)" -eq 1 ] || fail "stray files beside the installer: $(ls "$work/out")"

# A manifest error: exit 1, the location on stderr, nothing written.
printf 'title = "T"\n[[file]]\nsource = "none.txt"\ntarget = "{WinDir}\\\\x"\n' > "$work/bad.toml"
set +e
"$tool" build "$work/bad.toml" -o "$work/bad/setup.exe" --stub "$work/stub.exe" 2> "$work/err"
code=$?
set -e
[ "$code" -eq 1 ] || fail "manifest error gave exit code $code"
grep -q "bad.toml:3: error: file\[1\].source: 'none.txt' is not a readable file" "$work/err" || { cat "$work/err"; fail "message"; }
[ ! -e "$work/bad" ] || fail "output written for a bad manifest"

# A folder the build cannot read under "**" is an error that names it; nothing is written.
# Root reads any folder: the build then runs as nobody.
mkdir -p "$work/locked/files/open" "$work/locked/files/shut"
printf 'a' > "$work/locked/files/open/a.txt"
printf 'b' > "$work/locked/files/shut/b.txt"
printf 'title = "T"\nprogram_dir = "T"\n[[file]]\nsource = "files/**"\ntarget = "{OurProgramDir}"\n' > "$work/locked/setup.toml"
chmod 755 "$work" && chmod 777 "$work/locked" && chmod 000 "$work/locked/files/shut"
as_user=
[ "$(id -u)" -ne 0 ] || as_user="setpriv --reuid=65534 --regid=65534 --clear-groups"
set +e
$as_user "$tool" build "$work/locked/setup.toml" -o "$work/locked/out/setup.exe" --stub "$work/stub.exe" 2> "$work/err"
code=$?
set -e
chmod 755 "$work/locked/files/shut"
[ "$code" -eq 1 ] && grep -q "setup.toml:4: error: file\[1\].source: cannot read the folder '$work/locked/files/shut'" "$work/err" \
  || { cat "$work/err"; fail "unreadable folder: exit $code"; }
[ ! -e "$work/locked/out" ] || fail "output written despite an unreadable folder"

# Counts of one take the singular.
printf 'title = "T"\nprogram_dir = "T"\n[[file]]\nsource = "files/open/a.txt"\ntarget = "{OurProgramDir}\\\\a.txt"\n' > "$work/locked/one.toml"
"$tool" build "$work/locked/one.toml" -o "$work/one.exe" --stub "$work/stub.exe" 2> /dev/null | grep -q "^1 file, .* in 1 block$" \
  || fail "a one-file build is not counted in the singular"
"$tool" extract "$work/one.exe" -d "$work/one" 2> /dev/null | grep -q "^extracted 1 file (1 byte) to" \
  || fail "a one-file extraction is not counted in the singular"

# No stub: a clear message. A usage mistake: exit 2.
set +e
"$tool" build "$example/setup.toml" -o "$work/n.exe" --stub "$work/none.exe" 2> "$work/err"; code=$?
"$tool" build "$example/setup.toml" 2> /dev/null; usage=$?
set -e
[ "$code" -eq 1 ] && grep -q "cannot read the stub" "$work/err" || fail "missing stub: exit $code"
[ "$usage" -eq 2 ] || fail "missing -o gave exit code $usage"
echo "build command line: all checks passed"
