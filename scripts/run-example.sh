#!/usr/bin/env bash
# Builds the example installer (examples/sample) with packwright and runs it under Wine in a
# prefix of its own (build/example-wine), so the real ~/.wine is never touched. With a
# display the installer opens there; without one it runs on a headless X server, a
# screenshot of what it shows is saved, and it is ended after a while if it waits for input.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
out="$PWD/$build/example/sample-setup.exe"
state="$PWD/$build/example-wine"
headless_wait=${EXAMPLE_WAIT_SECONDS:-60}

mkdir -p "$build/example"
"$build/bin/packwright" build examples/sample/setup.toml -o "$out"

status=0
tests/e2e/make-prefix.sh "$state" || status=$?
if [ "$status" -eq 77 ]; then
  echo "run-example: this machine cannot run 32-bit Wine; the installer is at $out" >&2
  exit 1
fi
[ "$status" -eq 0 ] || exit "$status"
e2e_state=$state
. tests/e2e/wine-env.sh

if [ -n "${DISPLAY:-}" ]; then
  echo "run-example: starting $out"
  wine "$out"
  exit $?
fi

shot="$PWD/$build/example/screenshot.png"
driver="$PWD/$build/bin/e2e/driver.exe"
echo "run-example: no display; running $out on a headless X server"
xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  out=$1 shot=$2 driver=$3 wait=$4
  wineserver -p
  wine cmd /c exit
  wine "$out" & setup=$!
  if wine "$driver" window ZelSetupWindow "*" 60000 >/dev/null; then
    sleep 2
    import -window root "$shot" && echo "run-example: screenshot of the running installer: $shot"
  fi
  waited=0
  while kill -0 $setup 2>/dev/null && [ $waited -lt "$wait" ]; do sleep 1; waited=$((waited + 1)); done
  if kill -0 $setup 2>/dev/null; then
    echo "run-example: the installer is waiting for input; ending it after ${wait}s"
    wineserver -k
    wait $setup 2>/dev/null || true
    exit 0
  fi
  wait $setup
  code=$?
  echo "run-example: the installer ended with exit code $code"
  wineserver -k
  exit $code' run-example "$out" "$shot" "$driver" "$headless_wait"
