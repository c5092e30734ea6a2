#!/usr/bin/env bash
# Builds the fuzz targets with clang into <build-dir> (default build/fuzz) and writes the
# seed corpora there. Separate from the main g++ build: sanitizers and coverage need clang.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/build/fuzz}"
compiler="$(command -v clang++-14 || command -v clang++)"
cmake -S "$root/fuzz" -B "$out" -G Ninja -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out" -j2
rm -rf "$out/seeds"
"$out/seed_corpus" "$out/seeds/block" "$out/seeds/package"
