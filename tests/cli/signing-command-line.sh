#!/bin/sh
# Signing through the real binary: `build --sign-...` and `sign` give the same bytes, which
# osslsigncode and `verify` accept; ExpectedSize is the signed size; split installers keep
# volume 0 within the volume size and read through their volumes; a changed byte anywhere in
# volume 0 breaks the signature and `verify` says so with exit code 4.
set -eu
tool=$1
example=$2
docs=$3
[ -f "$(dirname "$tool")/stub.exe" ] || { echo "no Stub beside packwright: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
run() { set +e; "$@" > "$work/out" 2> "$work/err"; code=$?; set -e; }
u32at() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
size() { wc -c < "$1" | tr -d ' '; }
flip() { cp "$1" "$2"; printf '\125' | dd of="$2" bs=1 seek="$3" conv=notrunc 2> /dev/null; }

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 30 \
    -subj "/CN=Signing Test/O=Packwright Tests" 2> /dev/null
printf 'secret\n' > "$work/password.txt"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout "file:$work/password.txt" \
    -out "$work/vendor.p12"
export SOURCE_DATE_EPOCH=1700000000
pem="--sign-cert $work/cert.pem --sign-key $work/key.pem"
stubsize=$(size "$(dirname "$tool")/stub.exe")

# One volume: signed at build time, or afterwards, the same bytes, on every run.
"$tool" build "$example/setup.toml" -o "$work/one/setup.exe" $pem -q
"$tool" build "$example/setup.toml" -o "$work/again/setup.exe" $pem -q
"$tool" build "$example/setup.toml" -o "$work/plain/setup.exe" -q
"$tool" sign "$work/plain/setup.exe" $pem -q
cmp "$work/one/setup.exe" "$work/again/setup.exe" || fail "signing is not reproducible"
cmp "$work/one/setup.exe" "$work/plain/setup.exe" || fail "sign differs from build --sign"
[ "$(u32at "$work/one/setup.exe" "$stubsize")" = "$(size "$work/one/setup.exe")" ] || fail "ExpectedSize is not the signed size"
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/one/setup.exe" > "$work/out" 2>&1 || fail "osslsigncode: $(cat "$work/out")"
run "$tool" verify "$work/one/setup.exe"
[ "$code" -eq 0 ] || fail "verify of the signed installer: $code $(cat "$work/err")"
grep -q "the signature over volume 0 (signed by CN = Signing Test, O = Packwright Tests, digest SHA256, no timestamp)" "$work/out" \
    && grep -q "The Stub is the one shipped" "$work/out" && ! grep -q "Not covered" "$work/out" \
    || fail "verify does not report the signature as covering everything: $(cat "$work/out")"
"$tool" build "$example/setup.toml" -o "$work/p12/setup.exe" --sign-pkcs12 "$work/vendor.p12" \
    --sign-password-file "$work/password.txt" -q
"$tool" verify "$work/p12/setup.exe" > /dev/null || fail "verify of the installer signed from PKCS#12"

# Split: volume 0 keeps room for its signature, ends on the table's 8-byte boundary, and
# the files read back through the volumes as from the unsigned build.
volume=$((stubsize + 1900))  # the unsigned build splits too: sign finds the volume size
"$tool" build "$example/setup.toml" -o "$work/split/setup.exe" --volume-size "$volume" $pem -q
"$tool" build "$example/setup.toml" -o "$work/splitplain/setup.exe" --volume-size "$volume" -q
"$tool" extract "$work/splitplain/setup.exe" -d "$work/x-plain" > /dev/null
"$tool" sign "$work/splitplain/setup.exe" $pem -q
[ -f "$work/split/setup.001" ] || fail "the example did not split"
for f in "$work"/split/*; do cmp "$f" "$work/splitplain/$(basename "$f")" || fail "split: sign differs from build --sign"; done
[ "$(size "$work/split/setup.exe")" -le "$volume" ] || fail "the signed volume 0 is larger than the volume size"
run "$tool" verify "$work/split/setup.exe"
[ "$code" -eq 0 ] && grep -q "2 volumes" "$work/out" || fail "verify of the signed split installer: $code $(cat "$work/err")"
"$tool" extract "$work/split/setup.exe" -d "$work/x-signed" > /dev/null
diff -r "$work/x-plain" "$work/x-signed" || fail "the signed split installer extracts other files"

# A changed byte in the Stub, in a block (damage as well), or in the lines after the files,
# which no checksum covers: the signature no longer verifies.
"$tool" verify --json "$work/one/setup.exe" > "$work/signed.json"
after=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["not_covered"]["after_files"]["to"]["offset"] - 2)' "$work/signed.json")
for case in "stub 1000 4" "package $((stubsize + 20)) 1" "after-files $after 4"; do
    set -- $case
    flip "$work/one/setup.exe" "$work/$1.exe" "$2"
    run "$tool" verify "$work/$1.exe"
    [ "$code" -eq "$3" ] && grep -q "the signature is broken" "$work/err" || fail "$1: $code $(cat "$work/err")"
    ! osslsigncode verify -CAfile "$work/cert.pem" -in "$work/$1.exe" > /dev/null 2>&1 || fail "$1: osslsigncode accepts it"
done
"$tool" verify --json "$work/after-files.exe" > "$work/broken.json" || true
sed -n '/^## The schema/,$p' "$docs/json.md" | sed -n '/^```json$/,/^```$/p' | sed '1d;$d' > "$work/schema.json"
python3 - "$work/schema.json" "$work/signed.json" "$work/broken.json" <<'PY' || fail "JSON"
import json, sys, jsonschema
schema = json.load(open(sys.argv[1]))
signed, broken = (json.load(open(p)) for p in sys.argv[2:])
for d in (signed, broken):
    jsonschema.validate(d, schema)
assert signed["signature"]["intact"] and signed["signature"]["covers_whole_installer"], signed["signature"]
assert "signature" in signed["checked"] and signed["signature"]["timestamp"] is None
assert broken["result"] == "signature_broken" and broken["exit_code"] == 4 and broken["signature"]["problem"]
PY

# Refused: a comparison with the unsigned build, a second signature, and signing without osslsigncode (before anything is built).
run "$tool" verify "$work/one/setup.exe" --manifest "$example/setup.toml"
[ "$code" -eq 2 ] && grep -q "cannot check a signed installer" "$work/err" || fail "verify --manifest of a signed installer: $code"
run "$tool" sign "$work/one/setup.exe" $pem
[ "$code" -eq 1 ] && grep -q "is signed already" "$work/err" || fail "signing twice: $code $(cat "$work/err")"
run env PATH=/nonexistent "$tool" build "$example/setup.toml" -o "$work/none/setup.exe" $pem
[ "$code" -eq 1 ] && grep -q "apt-get install osslsigncode" "$work/err" && [ ! -e "$work/none" ] \
    || fail "without osslsigncode: $code $(cat "$work/err")"
echo "signing: all checks passed"
