#!/bin/sh
# Every JSON document packwright prints against the schema in docs/json.md: list and verify
# of a sound, a damaged and a cut installer, of an uninstaller and of a file with no package.
# Text in the Windows code page comes back as the manifest wrote it.
set -eu
tool=$1
docs=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The schema is the first json block after its heading.
sed -n '/^## The schema/,$p' "$docs/json.md" | sed -n '/^```json$/,/^```$/p' | sed '1d;$d' > "$work/schema.json"

printf 'MZ test stub WHERETOSTARTSTRING:\000\000\000\000' > "$work/stub.exe"
mkdir "$work/files"
printf 'hello\n' > "$work/files/$(printf 'caf\303\251.txt')"
cat > "$work/setup.toml" <<'TOML'
title = "Price 5 € – “quoted”"
footer = ["Café ©", "second line"]
program_dir = "Café"
run_after = '{OurProgramDir}\café.txt'
[[file]]
source = "files/*"
target = '{OurProgramDir}'
[[shortcut]]
link = '{Desktop}\Café'
target = '{OurProgramDir}\café.txt'
arguments = "–x"
[[registry]]
key = 'HKCU\Software\Café'
values = [{ name = "Build", dword = 42 }, { name = "Bytes", binary = "00 ff" }, { string = "Ünïcode" }]
TOML
"$tool" build "$work/setup.toml" -o "$work/setup.exe" --stub "$work/stub.exe" -q
size=$(wc -c < "$work/setup.exe")
head -c $((size - 40)) "$work/setup.exe" > "$work/cut.exe"
cp "$work/setup.exe" "$work/damaged.exe"
printf 'X' | dd of="$work/damaged.exe" bs=1 seek=120 conv=notrunc 2> /dev/null
# An uninstaller as the installer writes it: the stub, ExpectedSize 0, mode 1, three strings, the log.
{
  printf 'MZ test stub WHERETOSTARTSTRING:\044\000\000\000\000\000\000\000\001'
  printf '\005Title\000\004Name'
  printf '\024C:\\Caf\351\\FINALIZE.EXE\013C:\\W\\a.dll\011\022C:\\Caf\351\\UNINST.EXE\000'
  printf '\027:HKEY_CURRENT_USER\\Caf\351\001@\000\000'
} > "$work/UNINST.EXE"
printf 'no package here' > "$work/plain.bin"

mkdir "$work/docs"
for file in setup.exe cut.exe damaged.exe UNINST.EXE plain.bin; do
  for command in list verify; do
    "$tool" $command --json "$work/$file" > "$work/docs/$command-$file.json" 2> /dev/null || true
  done
done
"$tool" verify --json --manifest "$work/setup.toml" --stub "$work/stub.exe" "$work/damaged.exe" \
  > "$work/docs/verify-manifest.json" 2> /dev/null || true
python3 - "$work/schema.json" "$work"/docs/*.json <<'PY' || fail "a document does not match the schema"
import json, sys, jsonschema
schema = json.load(open(sys.argv[1]))
for path in sys.argv[2:]:
    try:
        jsonschema.validate(json.load(open(path, encoding="utf-8")), schema)
    except Exception as e:
        sys.exit(f"{path}: {e}")
PY

# Windows-1252 round trip: the texts read back as the manifest wrote them.
"$tool" list --json "$work/setup.exe" > "$work/out.json"
python3 - "$work/out.json" <<'PY' || fail "texts did not round-trip"
import json, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
assert d["header"]["product_title"] == "Price 5 € – “quoted”", d["header"]["product_title"]
assert d["header"]["footer_lines"] == ["Café ©", "second line"]
assert d["files"][0]["name"] == "{OurProgramDir}\\café.txt"
assert d["shortcuts"][0]["arguments"] == "–x" and d["shortcuts"][0]["link_file"] == "{Desktop}\\Café.lnk"
values = {r["name"]: r["value"] for r in d["registry"] if r["kind"] == "value"}
assert values == {"Build": 42, "Bytes": "00ff", "@": "Ünïcode"}, values
assert d["run_after"] == "{OurProgramDir}\\café.txt"
PY
"$tool" list --json "$work/UNINST.EXE" > "$work/out.json" || fail "list of the uninstaller"
python3 - "$work/out.json" <<'PY' || fail "install log"
import json, sys
log = json.load(open(sys.argv[1], encoding="utf-8"))["install_log"]
assert [f["role"] for f in log["files"]] == ["finalizer", "file", "uninstaller"]
assert log["files"][1] == {"path": "C:\\W\\a.dll", "shared": True, "role": "file"}
assert log["key_groups"] == [{"root": "HKEY_CURRENT_USER", "key": "Café", "owner": None, "values": ["@"]}]
PY
echo "json output: all checks passed"
