#!/bin/sh
# cmake --install into a prefix, then the tree moved: the tool still finds the Stub it ships,
# builds with it and recognises it; `init` drafts a manifest that builds there and is never
# replaced; the man page renders cleanly and has every command of --help; bash completes
# commands, options and their values.
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$build/bin/stub.exe" ] || { echo "this build has no Stub: skipped"; exit 77; }

cmake --install "$build" --prefix "$work/installed" > /dev/null
mv "$work/installed" "$work/moved"
p=$work/moved
for f in bin/packwright lib/packwright/stub.exe share/man/man1/packwright.1 \
         share/bash-completion/completions/packwright share/zsh/vendor-completions/_packwright \
         share/doc/packwright/README.md share/doc/packwright/docs/manifest.md \
         share/doc/packwright/examples/sample/setup.toml; do
  [ -f "$p/$f" ] || fail "$f is not installed"
done
[ ! -e "$p/lib/packwright/stub_test.exe" ] || fail "the test build of the Stub is installed"
version=$("$build/bin/packwright" --version)
[ "$("$p/bin/packwright" --version)" = "$version" ] || fail "the installed tool is not $version"

# Through a link elsewhere, as from a folder on the PATH: the shipped Stub, recognised.
mkdir "$work/path"
ln -s "$p/bin/packwright" "$work/path/packwright"
"$work/path/packwright" build "$p/share/doc/packwright/examples/sample/setup.toml" -o "$work/sample.exe" -q \
  || fail "the example did not build with the shipped Stub"
"$work/path/packwright" verify "$work/sample.exe" > "$work/verify.txt" || fail "verify rejected the example"
grep -q "the one shipped with $version" "$work/verify.txt" || { cat "$work/verify.txt"; fail "Stub not recognised"; }

# init: a manifest that builds as it is, and never replaced.
mkdir -p "$work/Pad Tool/docs/guides"
cp "$p/lib/packwright/stub.exe" "$work/Pad Tool/pad.exe"
echo "guide" > "$work/Pad Tool/docs/guides/first steps.txt"
"$p/bin/packwright" init "$work/Pad Tool" -o "$work/pad.toml" > /dev/null || fail "init failed"
"$p/bin/packwright" build "$work/pad.toml" -o "$work/pad-setup.exe" -q || { cat "$work/pad.toml"; fail "the draft does not build"; }
"$p/bin/packwright" list "$work/pad-setup.exe" > "$work/list.txt"
grep -q 'docs\\guides\\first steps.txt' "$work/list.txt" || fail "a nested file is missing"
grep -q '{OurShortcutDir}\\pad' "$work/list.txt" || fail "no shortcut for the program"
cp "$work/pad.toml" "$work/pad.before"
set +e
"$p/bin/packwright" init "$work/Pad Tool" -o "$work/pad.toml" 2> "$work/err"; code=$?
set -e
[ "$code" -eq 1 ] && grep -q "exists" "$work/err" || fail "a second init gave exit $code"
cmp -s "$work/pad.toml" "$work/pad.before" || fail "init replaced an existing manifest"

# The man page: no roff warnings, and every command that --help lists.
man=$p/share/man/man1/packwright.1
if command -v groff > /dev/null; then
  warnings=$(groff -man -ww -z -Tutf8 "$man" 2>&1)
  [ -z "$warnings" ] || fail "the man page has roff warnings: $warnings"
fi
commands=$("$p/bin/packwright" --help | sed -n '/^Subcommands:/,$p' | awk 'NR > 1 && NF { print $1 }')
[ -n "$commands" ] || fail "no commands in --help"
for c in $commands; do
  grep -q "^\.SS $c\$" "$man" || fail "the man page lacks '$c'"
done

# bash completes commands, and options of the command typed.
complete_words() {
  bash -c '. "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _packwright; echo "${COMPREPLY[*]}"' \
    _ "$p/share/bash-completion/completions/packwright" "$@"
}
[ "$(complete_words packwright ver)" = "verify" ] || fail "bash does not complete 'ver'"
[ "$(complete_words packwright build setup.toml --st)" = "--stub" ] || fail "bash does not complete '--st'"
# After an option that takes a folder, folders only ($work/pad.toml and others begin alike).
[ "$(complete_words packwright extract s.exe -d "$work/pa")" = "$work/path" ] || fail "bash offers files for -d"
echo "installed tree: all checks passed"
