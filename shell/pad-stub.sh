#!/bin/sh
# Pads the linked Stub with zero bytes to exactly SIZE bytes, so that the Package starts at
# a fixed offset; fails when the Stub has outgrown that size. Usage: pad-stub.sh IN OUT SIZE
set -eu
in=$1 out=$2 limit=$3
size=$(stat -c %s "$in")
if [ "$size" -gt "$limit" ]; then
  echo "pad-stub: $in is $size bytes, more than the $limit a Stub may have" >&2
  exit 1
fi
# Through a temporary file, so no half-written Stub is left where tools look for it.
cp "$in" "$out.tmp"
truncate -s "$limit" "$out.tmp"
mv "$out.tmp" "$out"
echo "Stub $(basename "$out"): $size bytes before padding to $limit"
