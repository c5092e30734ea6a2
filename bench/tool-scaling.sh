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

# Wall seconds of one run of the command.
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

run() {  # command jobs
  case $1 in
    build) seconds "$tool" build "$work/setup.toml" -o "$work/again.exe" --stub "$work/stub.exe" -q -j "$2" ;;
    verify) seconds "$tool" verify -j "$2" "$work/setup.exe" ;;
    extract) rm -rf "$work/x"; seconds "$tool" extract -j "$2" "$work/setup.exe" -d "$work/x" ;;
  esac
}

echo "# packwright scaling: $(echo "$bytes / 1000000" | bc -l | xargs printf '%.1f') MB corpus, $cores cores, best of $reps"
printf '%-10s %4s %9s %8s %8s\n' command jobs seconds MB/s speed-up
"$tool" build "$work/setup.toml" -o "$work/setup.exe" --stub "$work/stub.exe" -q
for command in build verify extract; do
  # The job counts take turns, so that a busy moment on the machine hurts none of them alone.
  declare -A bestOf=()
  for _ in $(seq "$reps"); do
    for j in $(seq 1 "$cores"); do
      s=$(run "$command" "$j")
      if [ -z "${bestOf[$j]:-}" ] || [ "$(echo "$s < ${bestOf[$j]}" | bc -l)" = 1 ]; then bestOf[$j]=$s; fi
    done
  done
  for j in $(seq 1 "$cores"); do
    printf '%-10s %4s %9.2f %8.1f %7.2fx\n' "$command" "$j" "${bestOf[$j]}" "$(echo "$bytes / ${bestOf[$j]} / 1000000" | bc -l)" \
      "$(echo "${bestOf[1]} / ${bestOf[$j]}" | bc -l)"
  done
  unset bestOf
done
