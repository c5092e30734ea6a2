#!/usr/bin/env bash
# Installation throughput of the Stub under Wine, against decoding the same Package alone
# and against a plain copy of the same files in the same prefix. The payload is the
# benchmark corpus six times over (about 200 MB); the Stub is the test build, whose hook
# installs with the header's defaults (PACKWRIGHT_TEST_INSTALL=1) or only reads and
# decodes the file section (=decode), tracing when it starts and ends. The installation runs
# twice: held to one processor and given two (taskset on the Wine process; the Stub decodes
# blocks on the processors its affinity allows, and traces how many it saw).
# Given another test Stub (a stub_test.exe built from another commit), it compares the two on
# the same Package, taking turns run by run so that both meet the same load.
# Usage: bench/install-wine.sh [build-dir] [other-stub_test.exe]   (BENCH_REPS: best-of
# count, default 3; BENCH_COPIES: how many times the corpus goes into the payload, default 6)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(cd "${1:-$root/build}" && pwd)"
reps="${BENCH_REPS:-3}"
copies="${BENCH_COPIES:-6}"
other="${2:+$(realpath "$2")}"
name="bench$copies"
cmake --build "$out" -j2 >/dev/null
"$root/bench/make-corpus.sh" "$out/bench-corpus"
state="$out/e2e-wine"
"$root/tests/e2e/make-prefix.sh" "$state"
e2e_state=$state
. "$root/tests/e2e/wine-env.sh"

work="$WINEPREFIX/drive_c/$name"
if [ ! -f "$work/.payload" ]; then
  rm -rf "$work"
  mkdir -p "$work/payload"
  for n in $(seq "$copies"); do cp -r "$out/bench-corpus" "$work/payload/copy$n"; done
  rm -f "$work"/payload/copy*/.complete
  touch "$work/.payload"
fi
cat > "$work/setup.toml" <<'TOML'
title = "Install benchmark"
uninstall_name = "Packwright Install Benchmark"
program_dir = 'C:\BENCHDIR\installed'
[[file]]
source = "payload/**/*"
target = '{OurProgramDir}'
TOML
sed -i "s/BENCHDIR/$name/" "$work/setup.toml"
# One installer per Stub, the same Package behind each: this build's test Stub and, to compare,
# another one given on the command line.
stubs=("$out/bin/stub_test.exe")
[ -z "$other" ] || stubs+=("$other")
for k in "${!stubs[@]}"; do
  [ "$work/setup$k.exe" -nt "${stubs[$k]}" ] ||
    "$out/bin/packwright" build "$work/setup.toml" -o "$work/setup$k.exe" --stub "${stubs[$k]}" -q
done
payload_bytes=$(du -sb --apparent-size "$work/payload" | cut -f1)
files=$(find "$work/payload" -type f | wc -l)

export BENCH_NAME=$name BENCH_REPS=$reps BENCH_PAYLOAD=$payload_bytes BENCH_FILES=$files BENCH_PACKAGE=$(stat -c %s "$work/setup0.exe")
export BENCH_STUBS=${#stubs[@]} BENCH_OTHER="$other"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -u
  work="$WINEPREFIX/drive_c/$BENCH_NAME"
  win="C:\\$BENCH_NAME"
  wineserver -p; wine cmd /c exit; sleep 1
  now() { date +%s.%N; }
  # Milliseconds between two traced events of the last run.
  span() { awk -v a="$1" -v b="$2" "\$3==a{s=\$2} \$3==b{e=\$2} END{print e-s}" "$work/trace.txt"; }
  best() { printf "%s\n" $1 | sort -g | head -1; }
  declare -A wall traced seen
  # One run of setup<k>.exe: decode alone on processor 0, or install on the processors listed;
  # adds its wall and traced seconds to the lists of run <key>.
  run() {
    local key=$1 k=$2 mode=$3 cpus=$4 from=$5 to=$6
    rm -rf "$work/installed" "$work/trace.txt"
    local t=$(now)
    PACKWRIGHT_TEST_INSTALL=$mode PACKWRIGHT_TEST_TRACE="$win\\trace.txt" taskset -c "$cpus" wine "$win\\setup$k.exe"
    wall[$key$k]+=" $(echo "$(now) - $t" | bc)"
    traced[$key$k]+=" $(echo "$(span $from $to) / 1000" | bc -l)"
    if [ "$mode" = 1 ]; then
      grep -q "install-ok 1" "$work/trace.txt" || { echo "the installation failed" >&2; exit 1; }
      seen[$key$k]=$(awk "\$3==\"processors\"{print \$4}" "$work/trace.txt")
    fi
  }
  # The Stubs take turns within each repetition, so that both meet the same load.
  for rep in $(seq "$BENCH_REPS"); do
    for k in $(seq 0 $((BENCH_STUBS - 1))); do run decode $k decode 0 decode-start decoded; done
    for k in $(seq 0 $((BENCH_STUBS - 1))); do run install1 $k 1 0 install-start installed; done
    for k in $(seq 0 $((BENCH_STUBS - 1))); do run install2 $k 1 0,1 install-start installed; done
    rm -rf "$work/copy"
    t=$(now); wine xcopy /E /I /Q /Y "$win\\payload" "$win\\copy" >/dev/null
    wall[copy]+=" $(echo "$(now) - $t" | bc)"
  done
  wine reg delete "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Packwright Install Benchmark" /f >/dev/null 2>&1
  wineserver -k
  mbs() { echo "$BENCH_PAYLOAD / $1 / 1000000" | bc -l; }
  mb=$(echo "scale=1; $BENCH_PAYLOAD / 1000000" | bc)
  echo "# Stub install under Wine: $mb MB in $BENCH_FILES files, Package $BENCH_PACKAGE bytes; wall seconds, best of $BENCH_REPS"
  echo "# load average at the end: $(cut -d" " -f1-3 /proc/loadavg)"
  for k in $(seq 0 $((BENCH_STUBS - 1))); do
    if [ "$k" = 0 ]; then echo "## this build'"'"'s Stub"; else echo "## the other Stub: $BENCH_OTHER"; fi
    printf "%-40s %8s %9s %9s\n" "run" "seconds" "MB/s" "traced s"
    row() { printf "%-40s %8.2f %9.1f %9.2f\n" "$1" "$2" "$(mbs $2)" "$3"; }
    d=$(best "${wall[decode$k]}"); i1=$(best "${wall[install1$k]}"); i2=$(best "${wall[install2$k]}"); c=$(best "${wall[copy]}")
    di=$(best "${traced[decode$k]}"); i1i=$(best "${traced[install1$k]}"); i2i=$(best "${traced[install2$k]}")
    row "decode alone, 1 processor" "$d" "$di"
    row "install, 1 processor (Stub saw ${seen[install1$k]:-?})" "$i1" "$i1i"
    row "install, 2 processors (Stub saw ${seen[install2$k]:-?})" "$i2" "$i2i"
    printf "%-40s %8.2f %9.1f\n" "xcopy of the same files" "$c" "$(mbs $c)"
    echo "install / decode alone, 1 processor:  $(echo "scale=2; $i1 / $d" | bc) (traced: $(echo "scale=2; $i1i / $di" | bc))"
    echo "install 2 processors / 1 processor:   $(echo "scale=2; $i1 / $i2" | bc)x faster (traced: $(echo "scale=2; $i1i / $i2i" | bc)x)"
    echo "install, 2 processors / xcopy:        $(echo "scale=2; $i2 / $c" | bc)"
  done
'
