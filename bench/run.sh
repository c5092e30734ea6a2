#!/usr/bin/env bash
# The benchmark in one command: builds the bench program, assembles the corpus (once) and
# prints the table. Usage: bench/run.sh [build-dir]   (default: build)
# Set BENCH_REPS to change the best-of count of the timings (default 3).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/build}"
[ -f "$out/CMakeCache.txt" ] || cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$out" --target block_bench packwright -j2 >/dev/null
"$root/bench/make-corpus.sh" "$out/bench-corpus"
echo "# times: CPU seconds of one thread or process (one core), except the rows with threads or -j,"
echo "# which are wall seconds; MB/s = original MB per second (1 MB = 10^6 bytes); best of ${BENCH_REPS:-3} runs"
"$out/bin/block_bench" --reps "${BENCH_REPS:-3}" --packwright "$out/bin/packwright" \
  "binaries=$out/bench-corpus/binaries" "text=$out/bench-corpus/text"
"$root/bench/tool-scaling.sh" "$out"
# The Stub's own installation under Wine (1 and 2 processors against decoding alone) takes
# many minutes under emulation: BENCH_WINE=1 adds it here, otherwise run it on its own.
if [ "${BENCH_WINE:-0}" = 1 ]; then
  "$root/bench/install-wine.sh" "$out"
else
  echo "# Stub installation under Wine on 1 and 2 processors: bench/install-wine.sh (or BENCH_WINE=1)"
fi
