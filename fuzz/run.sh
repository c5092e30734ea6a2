#!/usr/bin/env bash
# Runs every fuzz target for <seconds> each on one core, starting from the generated seeds
# and the corpus kept from earlier runs. Usage: fuzz/run.sh <seconds> [build-dir]
# A finding stops the run with a non-zero status and leaves crash-* files in <build-dir>/findings;
# each target's full output is in <build-dir>/fuzz_<target>.log.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:?usage: fuzz/run.sh <seconds> [build-dir]}"
out="${2:-$root/build/fuzz}"
[ -x "$out/fuzz_block" ] && [ -x "$out/fuzz_package" ] || "$root/fuzz/build.sh" "$out"
mkdir -p "$out/findings"
for target in block package; do
  mkdir -p "$out/corpus/$target"
  echo "== fuzz_$target for ${seconds}s"
  log="$out/fuzz_$target.log"
  status=0
  # Inputs are capped at a full record (65535 stored bytes plus the header) for speed.
  "$out/fuzz_$target" -max_total_time="$seconds" -max_len=70000 -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$out/findings/$target-" \
    "$out/corpus/$target" "$out/seeds/$target" >"$log" 2>&1 || status=$?
  grep -E '^(stat::|==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)' "$log" || true
  [ "$status" -eq 0 ] || { echo "fuzz_$target found a fault (status $status); see $out/findings and $log"; exit 1; }
done
