#!/usr/bin/env bash
# Builds the example installer (examples/sample) with packwright and runs it under Wine.
# With a display the installer opens there, in a prefix of its own (build/example-wine) so
# that the real ~/.wine is never touched, for you to click through. Without one,
# `packwright try` walks it on a headless X server as a user would (the example's password
# is "sample"), prints what it installed, removes it again and keeps a screenshot of every
# page and message in build/example/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
out="$PWD/$build/example/sample-setup.exe"
state="$PWD/$build/example-wine"

mkdir -p "$build/example"
"$build/bin/packwright" build examples/sample/setup.toml -o "$out"

if [ -z "${DISPLAY:-}" ]; then
  shots="$PWD/$build/example/screenshots"
  rm -rf "$shots"
  echo "run-example: no display; trying $out on a headless X server"
  exec "$build/bin/packwright" try "$out" --password sample --screenshots "$shots"
fi

status=0
tests/e2e/make-prefix.sh "$state" || status=$?
if [ "$status" -eq 77 ]; then
  echo "run-example: this machine cannot run 32-bit Wine; the installer is at $out" >&2
  exit 1
fi
[ "$status" -eq 0 ] || exit "$status"
e2e_state=$state
. tests/e2e/wine-env.sh
echo "run-example: starting $out"
wine "$out"
