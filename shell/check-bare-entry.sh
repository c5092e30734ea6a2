#!/bin/sh
# The Stub starts at its own entry point, without the C runtime's start-up. Fails when the
# link map of a Stub holds something only that start-up would have made work: a global
# constructor (nothing would run it) or a runtime pseudo-relocation for data imported from
# a library (nothing would apply it). Usage: check-bare-entry.sh MAP
set -eu
map=$1
# Input sections with a non-zero size. The map gives a short name, address and size on
# one line (" .ctors  0x00409a10  0x4 x.obj"), and a long name alone on its line with the
# address and size on the next.
found=$(awk '
  /^ \.(ctors|init_array|rdata_runtime_pseudo_reloc)(\.[0-9]+)?( |$)/ {
    if (NF == 1) { name = $1; getline; $0 = name " " $0 }
    if ($3 ~ /^0x0*[1-9a-f]/) print
  }' "$map")
if [ -n "$found" ]; then
  echo "check-bare-entry: $map needs the runtime's start-up, which the Stub does not run:" >&2
  echo "$found" >&2
  exit 1
fi
