#!/usr/bin/env bash
# Builds the example installer (examples/sample) with packwright and runs it under Wine in a
# prefix of its own (build/example-wine), so the real ~/.wine is never touched. With a
# display the installer opens there for you to click through; without one it runs on a
# headless X server, the driver of the end-to-end tests clicks through every page as a user
# would (the example's password is "sample") and a screenshot of each page and of the
# progress dialog goes to build/example/screenshots/. The progress dialog of so small a
# product can be gone before it is caught; its picture is then missing.
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

# Each run starts as on a machine that never had the example: no files that the
# installation would ask about overwriting.
rm -rf "$WINEPREFIX/drive_c/Program Files/Sample Notes" "$WINEPREFIX/drive_c/windows/SampleShared"

shots="$PWD/$build/example/screenshots"
driver="$PWD/$build/bin/e2e/driver.exe"
rm -rf "$shots" && mkdir -p "$shots"
echo "run-example: no display; running $out on a headless X server and clicking through it"
xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  out=$1 shots=$2 driver=$3 wait=$4
  wineserver -p
  wine cmd /c exit
  drive() { wine "$driver" "$@"; }
  # A picture of the screen once every window on it has painted (the first run of a fresh
  # prefix is slow to draw): NAME, then the title of the dialog in front and a time-out.
  shot() {
    drive painted "#32770" "$2" "$3" >/dev/null && import -window root "$shots/$1.png" && echo "run-example: $shots/$1.png"
  }
  wine "$out" & setup=$!
  # Each page as the user sees it, then on: the password of the example is "sample".
  drive page Welcome 90000 && shot 1-welcome "*" 30000 &&
  drive press NEXT 30000 page "Licence Agreement" 30000 && shot 2-licence "*" 30000 &&
  drive press NEXT 30000 page "Enter Password" 30000 type 1000 sample 30000 && shot 3-password "*" 30000 &&
  drive press NEXT 30000 page "Select Target Directory" 30000 && shot 4-directory "*" 30000 &&
  drive press NEXT 30000 page "Select Start-Menu Folder" 30000 && shot 5-folder "*" 30000 &&
  drive press FINISH 30000 &&
  { shot 6-progress "Extracting files..." 10000 2>/dev/null ||
    echo "run-example: the progress dialog was gone before its picture could be taken"; } &&
  drive answer "Success!" 1 120000 && drive close Notepad "*" 30000
  waited=0
  while kill -0 $setup 2>/dev/null && [ $waited -lt "$wait" ]; do sleep 1; waited=$((waited + 1)); done
  if kill -0 $setup 2>/dev/null; then
    echo "run-example: the installer is still waiting for input; ending it after ${wait}s"
    wineserver -k
    wait $setup 2>/dev/null || true
    exit 1
  fi
  wait $setup
  code=$?
  echo "run-example: the installer ended with exit code $code"
  wineserver -k
  exit $code' run-example "$out" "$shots" "$driver" "$headless_wait"
