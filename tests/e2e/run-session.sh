#!/bin/sh
# Runs one end-to-end suite inside a Wine session of its own: a headless X server of
# 1024x768, the test prefix and a wineserver that lives as long as the suite.
# Usage: run-session.sh STATE_DIR PROGRAM [ARGS...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
state=$1
shift
"$here/make-prefix.sh" "$state" || exit $?
e2e_state=$state
. "$here/wine-env.sh"
export E2E_STATE_DIR="$state"
exec xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  wineserver -p
  # The first program after a server start carries out pending renames and RunOnce
  # entries; let it finish before anything under test starts.
  wine cmd /c exit
  sleep 1
  "$@"
  rc=$?
  wineserver -k
  exit $rc' session "$@"
