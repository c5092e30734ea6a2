#!/usr/bin/env bash
# How packwright build, verify and extract scale with cores: one installer of the benchmark
# corpus (bench/make-corpus.sh), each command timed with -j 1, -j 2 ... up to every core.
# Usage: bench/tool-scaling.sh [build-dir] [packwright]   (BENCH_REPS: best of, default 3)
# Wall seconds; MB/s = corpus MB (10^6 bytes) per second; speed-up against -j 1.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(cd "${1:-$root/build}" && pwd)"
tool="${2:-$out/bin/packwright}"
reps="${BENCH_REPS:-3}"
cores=$(nproc)
"$root/bench/make-corpus.sh" "$out/bench-corpus"
corpus="$out/bench-corpus"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/setup.toml" <<EOF
title = "Benchmark corpus"
program_dir = "Corpus"
[[file]]
source = "$corpus/binaries/*"
target = '{OurProgramDir}\\binaries'
[[file]]
source = "$corpus/text/*"
target = '{OurProgramDir}\\text'
EOF
# Any file holding the locator serves as the stub; the Package alone is measured.
printf 'MZ bench stub WHERETOSTARTSTRING:\000\000\000\000' >"$work/stub.exe"
bytes=$(cat "$corpus"/binaries/* "$corpus"/text/* | wc -c)

# Best wall time of $reps runs of the command, in seconds.
best() {
  local best_s=
  for _ in $(seq "$reps"); do
    local start end s
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    end=$(date +%s.%N)
    s=$(echo "$end - $start" | bc -l)
    if [ -z "$best_s" ] || [ "$(echo "$s < $best_s" | bc -l)" = 1 ]; then best_s=$s; fi
  done
  echo "$best_s"
}

jobs_list=$(seq 1 "$cores")
echo "# packwright scaling: $(echo "$bytes / 1000000" | bc -l | xargs printf '%.1f') MB corpus, $cores cores, best of $reps"
printf '%-10s %4s %9s %8s %8s\n' command jobs seconds MB/s speed-up
"$tool" build "$work/setup.toml" -o "$work/setup.exe" --stub "$work/stub.exe" -q
for command in build verify extract; do
  base=
  for j in $jobs_list; do
    case $command in
      build) s=$(best "$tool" build "$work/setup.toml" -o "$work/again.exe" --stub "$work/stub.exe" -q -j "$j") ;;
      verify) s=$(best "$tool" verify -j "$j" "$work/setup.exe") ;;
      extract) s=$(best sh -c 'rm -rf "$1" && "$2" extract -j "$3" "$4" -d "$1"' _ "$work/x" "$tool" "$j" "$work/setup.exe") ;;
    esac
    [ -n "$base" ] || base=$s
    printf '%-10s %4s %9.2f %8.1f %7.2fx\n' "$command" "$j" "$s" "$(echo "$bytes / $s / 1000000" | bc -l)" \
      "$(echo "$base / $s" | bc -l)"
  done
done
