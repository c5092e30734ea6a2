#!/bin/sh
# packwright list / verify / extract from a shell: 0 for sound installers, 1 naming what is
# damaged or missing, 2 for usage mistakes; nothing half-written after a failure.
set -eu
tool=$1
example=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Runs a command, keeping its exit code in $code and its stderr in $work/err.
run() { set +e; "$@" > "$work/out" 2> "$work/err"; code=$?; set -e; }

printf 'MZ test stub WHERETOSTARTSTRING:\000\000\000\000' > "$work/stub.exe"
"$tool" build "$example/setup.toml" -o "$work/one/setup.exe" --stub "$work/stub.exe" -q
"$tool" build "$example/setup.toml" -o "$work/split/setup.exe" --stub "$work/stub.exe" --volume-size 700 -q
[ -f "$work/split/setup.002" ] || fail "the example did not split"

# Sound: exit 0, a summary on stdout saying what no checksum covers; on stderr only the
# warning that this stand-in is not the Stub packwright ships (no progress line off a terminal).
run "$tool" verify "$work/split/setup.exe"
[ "$code" -eq 0 ] && grep -q "every check passed" "$work/out" && grep -q "Not covered by a checksum" "$work/out" \
    || fail "verify of the volumes: $code"
grep -q "warning: the Stub is not the one shipped with packwright" "$work/err" || fail "no warning about the stand-in stub"
run "$tool" list "$work/one/setup.exe"
[ "$code" -eq 0 ] && grep -q "Product title:   Sample Notes 1.0" "$work/out" || fail "list: $code"
grep -q '{OurProgramDir}\\readme.txt' "$work/out" || fail "list shows no file names"
run "$tool" list --json "$work/one/setup.exe"
[ "$code" -eq 0 ] && grep -q '"product_title": "Sample Notes 1.0"' "$work/out" || fail "list --json: $code"

# --manifest: every byte against a rebuild; a changed byte in the run-after text, which no
# checksum covers, is found and placed.
run "$tool" verify "$work/one/setup.exe" --manifest "$example/setup.toml" --stub "$work/stub.exe"
[ "$code" -eq 0 ] && grep -q "identical" "$work/out" || fail "verify --manifest: $code $(cat "$work/err")"
cp "$work/one/setup.exe" "$work/changed.exe"
printf 'X' | dd of="$work/changed.exe" bs=1 seek=$(($(wc -c < "$work/changed.exe") - 3)) conv=notrunc 2> /dev/null
run "$tool" verify "$work/changed.exe" --manifest "$example/setup.toml" --stub "$work/stub.exe"
[ "$code" -eq 3 ] && grep -q "(the run-after command): 0x58 in the installer" "$work/err" \
    || fail "verify --manifest of a changed byte: $code $(cat "$work/err")"

# A missing volume is named with the path that was looked for.
mv "$work/split/setup.001" "$work/split/moved"
run "$tool" verify "$work/split/setup.exe"
[ "$code" -eq 1 ] && grep -q "volume 1 is missing: looked for '$work/split/setup.001'" "$work/err" || fail "missing volume: $code $(cat "$work/err")"
# list still shows what it read before the gap, and says it is incomplete, in JSON too.
run "$tool" list "$work/split/setup.exe"
[ "$code" -eq 1 ] && grep -q "Product title:   Sample Notes 1.0" "$work/out" && grep -q "incomplete" "$work/out" \
    || fail "list of an incomplete installer: $code"
run "$tool" list --json "$work/split/setup.exe"
grep -q 'volume 1 is missing: looked for' "$work/out" || fail "list --json keeps the reason to stderr"
mv "$work/split/moved" "$work/split/setup.001"

# A changed byte in the header block: the 36-byte stub, ExpectedSize, the mode byte and the
# block's 10-byte prefix come first.
cp "$work/one/setup.exe" "$work/bad.exe"
size=$(wc -c < "$work/bad.exe")
printf '\377\377' | dd of="$work/bad.exe" bs=1 seek=55 conv=notrunc 2> /dev/null
run "$tool" verify "$work/bad.exe"
[ "$code" -eq 1 ] && grep -q "install header block is damaged" "$work/err" || fail "damaged header: $code $(cat "$work/err")"
run "$tool" extract "$work/bad.exe" -d "$work/x-bad"
[ "$code" -eq 1 ] || fail "extract of a damaged installer gave $code"
! find "$work/x-bad" -name '*.partial-*' | grep -q . || fail "a partial file was left behind"

# A cut installer fails its size check.
head -c $((size - 1)) "$work/one/setup.exe" > "$work/cut.exe"
run "$tool" verify "$work/cut.exe"
[ "$code" -eq 1 ] && grep -q "damaged or incomplete" "$work/err" || fail "cut installer: $code"

# Extract: the files under their macro folders, with their recorded times; existing files
# are replaced only with --force.
run "$tool" extract "$work/split/setup.exe" -d "$work/x"
[ "$code" -eq 0 ] || fail "extract: $code $(cat "$work/err")"
cmp "$example/files/readme.txt" "$work/x/OurProgramDir/readme.txt" || fail "readme differs"
echo changed > "$work/x/OurProgramDir/readme.txt"
run "$tool" extract "$work/split/setup.exe" -d "$work/x"
[ "$code" -eq 1 ] && grep -q "refusing to overwrite 4 existing files" "$work/err" || fail "extract overwrote: $code"
grep -q changed "$work/x/OurProgramDir/readme.txt" || fail "a refused extract changed a file"
run "$tool" extract --force "$work/split/setup.exe" -d "$work/x"
[ "$code" -eq 0 ] && cmp -s "$example/files/readme.txt" "$work/x/OurProgramDir/readme.txt" || fail "extract --force: $code"

# Usage mistakes: exit 2.
for args in "verify" "extract $work/one/setup.exe" "list --bogus $work/one/setup.exe"; do
    run "$tool" $args
    [ "$code" -eq 2 ] || fail "'$args' gave exit code $code"
done
run "$tool" lst "$work/one/setup.exe"
[ "$code" -eq 2 ] && grep -q "'lst' is not a command; did you mean 'list'?" "$work/err" || fail "mistyped command: $code $(cat "$work/err")"
run "$tool" verify "$work/none.exe"
[ "$code" -eq 1 ] && grep -q "cannot open" "$work/err" || fail "missing installer: $code"
run "$tool" extract "$work/none.exe" -d "$work/x-none"
[ "$code" -eq 1 ] && [ ! -e "$work/x-none" ] || fail "extract of a missing installer: $code, or its folder was made"
# A destination that cannot be listed is not taken for empty: an existing file in it is
# still refused. Root lists any folder: extract then runs as nobody.
mkdir -p "$work/unlisted/OurProgramDir"
echo mine > "$work/unlisted/OurProgramDir/readme.txt"
chmod 755 "$work" && chmod 777 "$work/unlisted/OurProgramDir" && chmod 666 "$work/unlisted/OurProgramDir/readme.txt"
chmod 333 "$work/unlisted"
as_user=
[ "$(id -u)" -ne 0 ] || as_user="setpriv --reuid=65534 --regid=65534 --clear-groups"
run $as_user "$tool" extract "$work/one/setup.exe" -d "$work/unlisted"
chmod 755 "$work/unlisted"
[ "$code" -eq 1 ] && grep -q "refusing to overwrite" "$work/err" && grep -q mine "$work/unlisted/OurProgramDir/readme.txt" \
  || fail "extract into a folder it cannot list: $code $(cat "$work/err")"
run "$tool" --version
[ "$code" -eq 0 ] && grep -q "^packwright [0-9]" "$work/out" || fail "--version: $code"
echo "examine command line: all checks passed"
