#!/bin/sh
# `packwright try` end to end under Wine, on installers built here: the example walked,
# inspected and removed without a trace; a product whose program writes into its folder at
# run time (--run) leaves that file behind; a damaged installer names its corrupted outcome;
# a password product without --password and a machine without Wine fail at once with a
# message that says what to do. Every JSON document is checked against docs/json.md.
# Exit code 77 (a skip) when this machine cannot run 32-bit Wine.
set -eu
tool=$1
source=$2
work=$(mktemp -d)
# TRY_KEEP_WORK=1 keeps the documents, screenshots and installers for a look.
trap '[ -n "${TRY_KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# The template is made once per build folder, not in the user's cache.
export XDG_CACHE_HOME=${TRY_CACHE:-$work/cache}
unset DISPLAY

if ! command -v wine >/dev/null || ! wine --version >/dev/null 2>&1 || ! command -v Xvfb >/dev/null; then
  echo "try: 32-bit Wine or Xvfb cannot run here (scripts/install-deps.sh sets them up)" >&2
  exit 77
fi

sed -n '/^## The schema/,$p' "$source/docs/json.md" | sed -n '/^```json$/,/^```$/p' | sed '1d;$d' > "$work/schema.json"
check() {  # check NAME.json PYTHON-ASSERTIONS (the document is `d`)
  python3 - "$work/schema.json" "$work/$1" "$2" <<'PY' || fail "$1 does not hold what it should"
import json, sys, jsonschema
d = json.load(open(sys.argv[2], encoding="utf-8"))
jsonschema.validate(d, json.load(open(sys.argv[1])))
exec(sys.argv[3])
PY
}

"$tool" build "$source/examples/sample/setup.toml" -o "$work/sample-setup.exe" -q

# No Wine: nothing runs, the message names the packages.
if PATH=/nonexistent "$tool" try "$work/sample-setup.exe" --password sample 2> "$work/nowine.err"; then
  fail "a try without Wine succeeded"
fi
grep -q "Wine is not installed" "$work/nowine.err" && grep -q "wine32:i386" "$work/nowine.err" ||
  fail "no Wine: $(cat "$work/nowine.err")"

# A password product without --password: told at once, before anything starts.
status=0
"$tool" try "$work/sample-setup.exe" --json > "$work/nopassword.json" 2> "$work/nopassword.err" || status=$?
[ $status -eq 1 ] || fail "without --password: exit code $status"
grep -q "asks for a password: give it with --password" "$work/nopassword.err" || fail "$(cat "$work/nopassword.err")"
check nopassword.json 'assert d["result"] == "error" and "--password" in d["reason"]'

# The example: every page pictured, exactly what the manifest installs, and nothing left.
status=0
"$tool" try "$work/sample-setup.exe" --password sample --screenshots "$work/shots" --json \
  > "$work/sample.json" 2> "$work/sample.err" || status=$?
[ $status -eq 0 ] || fail "the example: exit code $status: $(cat "$work/sample.err")"
check sample.json '
a = d["added"]
program = "C:\\Program Files\\Sample Notes\\"
files = {f["path"].replace(program, "{app}\\").split("\\Start Menu\\Programs\\")[-1].split("\\Desktop\\")[-1] for f in a["files"]}
assert files == {"{app}\\UNINST.EXE", "{app}\\readme.txt", "{app}\\settings.ini", "{app}\\data\\shapes.dat",
                 "C:\\windows\\SampleShared\\palette.dat", "Sample Notes\\Read Me.lnk", "Sample Notes settings.lnk"}, files
assert [p for p in d["install"]["pages"]] == ["Welcome", "Licence Agreement", "Enter Password",
        "Select Target Directory", "Select Start-Menu Folder"]
assert d["outcome"] == "success" and d["install"]["opened"][0].startswith("Notepad")
settings = [s for s in a["shortcuts"] if s["path"].endswith("settings.lnk")][0]
assert settings["target"] == "C:\\windows\\notepad.exe" and settings["working_dir"] == program[:-1], settings
assert settings["arguments"] == "\"" + program + "settings.ini\"", settings
values = {(v["key"].split("\\")[-1], v["name"], v["type"], json.dumps(v["data"])) for v in a["registry_values"]}
assert values == {("Sample Notes", "@", "REG_SZ", "\"Sample Notes 1.0\""),
                  ("Sample Notes", "InstallDir", "REG_SZ", json.dumps(program[:-1])),
                  ("Sample Notes", "LaunchCount", "REG_DWORD", "0"),
                  ("Sample Notes", "WindowPlacement", "REG_BINARY", "\"2c 00 00 00 01 00\""),
                  ("Sample Notes", "Theme", "REG_SZ", "\"light\""),
                  ("Sample Notes", "DisplayName", "REG_SZ", "\"Sample Notes\""),
                  ("Sample Notes", "UninstallString", "REG_SZ", json.dumps("\"" + program + "UNINST.EXE\"")),
                  ("Sample Notes", "Path", "REG_SZ", json.dumps(program[:-1])),
                  ("Sample Notes", "SPath", "REG_SZ", "\"Sample Notes\""),
                  ("Sample Notes", "DisplayVersion", "REG_SZ", "\"1.0\""),
                  ("Sample Notes", "Publisher", "REG_SZ", "\"Sample Software Ltd.\""),
                  ("Sample Notes", "InstallLocation", "REG_SZ", json.dumps(program[:-1])),
                  ("Sample Notes", "EstimatedSize", "REG_DWORD", "2"),
                  ("Sample Notes", "QuietUninstallString", "REG_SZ", json.dumps("\"" + program + "UNINST.EXE\" /S")),
                  ("Sample Notes", "NoModify", "REG_DWORD", "1"),
                  ("Sample Notes", "NoRepair", "REG_DWORD", "1")}, values
assert [(c["path"], c["count"]) for c in a["shared_counts"]] == [("C:\\windows\\SampleShared\\palette.dat", 1)]
assert a["restart_moves"] == [] and a["run_once"] == []
assert [m["answer"] for m in d["uninstall"]["messages"]] == ["Yes", "No", "OK"]
assert [k["path"] for k in d["kept_shared"]] == ["C:\\windows\\SampleShared\\palette.dat"]
assert [p.split("\\")[-1].upper()[:3] for p in d["scheduled_for_deletion"]] == ["UNI", "~ZS"], d["scheduled_for_deletion"]
left = d["left_behind"]
assert all(not left[k] for k in left), left
assert d["result"] == "passed" and d["reason"] is None and d["exit_code"] == 0
'
for shot in install-01-welcome install-03-enter-password install-06-success uninstall-01-confirm; do
  [ -s "$work/shots/$shot.png" ] || fail "no screenshot $shot.png: $(ls "$work/shots")"
done

# A product with nested folders and spaces whose program writes into its folder when it runs:
# that file stays after the removal, and the try fails naming it, last.
mkdir -p "$work/nested/files/help/en/pages"
printf 'guide\n' > "$work/nested/files/help/en/pages/first page.txt"
printf 'tool\n' > "$work/nested/files/tool.txt"
cat > "$work/nested/setup.toml" <<'TOML'
title = "Nested Tool 1.0"
footer = "Packwright tests"
uninstall_name = "Nested Tool"
program_dir = "Nested Tool"
[[file]]
source = "files/*"
target = '{OurProgramDir}'
[[file]]
source = "files/help/en/pages/*"
target = '{OurProgramDir}\help\en\pages'
[[registry]]
key = 'HKEY_LOCAL_MACHINE\Software\Nested Tool'
values = [{ name = "Pages", dword = 1 }]
TOML
"$tool" build "$work/nested/setup.toml" -o "$work/nested-setup.exe" -q
status=0
"$tool" try "$work/nested-setup.exe" --dir 'C:\Tools\Nested Tool' --json \
  --run 'echo state > "$WINEPREFIX/drive_c/Tools/Nested Tool/run state.txt"' > "$work/nested.json" 2> "$work/nested.err" || status=$?
[ $status -eq 1 ] || fail "--run writing a file: exit code $status: $(cat "$work/nested.err")"
tail -n 1 "$work/nested.err" | grep -q 'left behind, such as C:\\Tools\\Nested Tool\\run state.txt' ||
  fail "the reason: $(cat "$work/nested.err")"
check nested.json '
paths = {f["path"] for f in d["added"]["files"]}
assert "C:\\Tools\\Nested Tool\\help\\en\\pages\\first page.txt" in paths and "C:\\Tools\\Nested Tool\\run state.txt" in paths, paths
assert d["runs"][0]["exit_code"] == 0
assert [f["path"] for f in d["left_behind"]["files"]] == ["C:\\Tools\\Nested Tool\\run state.txt"], d["left_behind"]
assert "C:\\Tools\\Nested Tool" in d["left_behind"]["folders"], d["left_behind"]["folders"]
assert not d["left_behind"]["registry_values"]
'

# A damaged installer: the Stub's "corrupted" outcome, named as the reason. The middle of a
# product that is one large file of random bytes lies inside that file's blocks.
mkdir -p "$work/damaged/files"
head -c 300000 /dev/urandom > "$work/damaged/files/data.bin"
printf 'title = "Damaged 1.0"\nprogram_dir = "Damaged"\n[[file]]\nsource = "files/data.bin"\ntarget = '"'"'{OurProgramDir}\\data.bin'"'"'\n' \
  > "$work/damaged/setup.toml"
"$tool" build "$work/damaged/setup.toml" -o "$work/damaged-setup.exe" -q
size=$(wc -c < "$work/damaged-setup.exe")
printf 'XXXXXXXX' | dd of="$work/damaged-setup.exe" bs=1 seek=$((size / 2 + 40000)) conv=notrunc 2>/dev/null
status=0
"$tool" try "$work/damaged-setup.exe" --no-uninstall --json > "$work/damaged.json" 2> "$work/damaged.err" || status=$?
[ $status -eq 1 ] || fail "a damaged installer: exit code $status: $(cat "$work/damaged.err")"
tail -n 1 "$work/damaged.err" | grep -q "corrupted" || fail "the reason: $(cat "$work/damaged.err")"
check damaged.json 'assert d["outcome"] == "corrupted" and d["uninstall"] is None and d["exit_code"] == 1, d["outcome"]'
echo "try: all passed"
