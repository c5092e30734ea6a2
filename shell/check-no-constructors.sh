#!/bin/sh
# Fails when the link map of a Stub places any global constructor: the Stub has no C runtime
# start-up to run them, so such an object would silently stay uninitialised.
# Usage: check-no-constructors.sh MAP
set -eu
map=$1
# Input sections of constructor lists with a non-zero size, e.g.
#  .ctors         0x00409a10        0x4 shell/CMakeFiles/stub.dir/x.obj
found=$(grep -E '^ \.(ctors|init_array)(\.[0-9]+)? +0x[0-9a-f]+ +0x[0-9a-f]*[1-9a-f][0-9a-f]* ' "$map" || true)
if [ -n "$found" ]; then
  echo "check-no-constructors: $map has global constructors, which nothing would run:" >&2
  echo "$found" >&2
  exit 1
fi
