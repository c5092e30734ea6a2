#!/bin/sh
# Creates the 32-bit Wine prefix the end-to-end tests share, once per build folder:
# isolated home, a 1024x768 virtual desktop, plain folders instead of links to $HOME.
# Exit code 77 (a skip for ctest) when this machine cannot run 32-bit Wine at all.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
e2e_state=$1
. "$here/wine-env.sh"
if [ -f "$e2e_state/prefix.ready" ]; then exit 0; fi

if ! command -v wine >/dev/null || ! wine --version >/dev/null 2>&1 || ! command -v xvfb-run >/dev/null; then
  echo "e2e: 32-bit Wine or xvfb-run cannot run here (scripts/install-deps.sh sets them up)" >&2
  exit 77
fi

rm -rf "$e2e_state/prefix" "$e2e_state/home"
mkdir -p "$e2e_state/home"
echo "e2e: creating the Wine prefix in $WINEPREFIX (once per build folder)"
xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  set -e
  wine wineboot -i
  wine reg add "HKCU\\Software\\Wine\\Explorer" /v Desktop /d Default /f
  wine reg add "HKCU\\Software\\Wine\\Explorer\\Desktops" /v Default /d 1024x768 /f
  # Text files open in Notepad, as on any Windows system (a fresh prefix has the class but
  # not the extension), so that an installer can open a readme when it has finished.
  wine reg add "HKCR\\.txt" /ve /d txtfile /f
  wineserver -w' >"$e2e_state/prefix.log" 2>&1 || { cat "$e2e_state/prefix.log" >&2; exit 1; }

# The user's shell folders must not lead out of the prefix into the real home.
for link in "$WINEPREFIX"/drive_c/users/*/*; do
  if [ -L "$link" ]; then rm "$link" && mkdir "$link"; fi
done
touch "$e2e_state/prefix.ready"
