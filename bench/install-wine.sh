#!/usr/bin/env bash
# Installation throughput of the Stub under Wine, against decoding the same Package alone
# and against a plain copy of the same files in the same prefix. The payload is the
# benchmark corpus six times over (about 200 MB); the Stub is the test build, whose hook
# installs with the header's defaults (PACKWRIGHT_TEST_INSTALL=1) or only reads and
# decodes the file section (=decode), tracing when it starts and ends. The installation runs
# twice: held to one processor and given two (taskset on the Wine process; the Stub decodes
# blocks on the processors its affinity allows, and traces how many it saw).
# Usage: bench/install-wine.sh [build-dir]   (BENCH_REPS: best-of count, default 3;
# BENCH_COPIES: how many times the corpus goes into the payload, default 6)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(cd "${1:-$root/build}" && pwd)"
reps="${BENCH_REPS:-3}"
copies="${BENCH_COPIES:-6}"
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
[ "$work/setup.exe" -nt "$out/bin/stub_test.exe" ] ||
  "$out/bin/packwright" build "$work/setup.toml" -o "$work/setup.exe" --stub "$out/bin/stub_test.exe" -q
payload_bytes=$(du -sb --apparent-size "$work/payload" | cut -f1)
files=$(find "$work/payload" -type f | wc -l)

export BENCH_NAME=$name BENCH_REPS=$reps BENCH_PAYLOAD=$payload_bytes BENCH_FILES=$files BENCH_PACKAGE=$(stat -c %s "$work/setup.exe")
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -u
  work="$WINEPREFIX/drive_c/$BENCH_NAME"
  win="C:\\$BENCH_NAME"
  wineserver -p; wine cmd /c exit; sleep 1
  now() { date +%s.%N; }
  # Milliseconds between two traced events of the last run.
  span() { awk -v a="$1" -v b="$2" "\$3==a{s=\$2} \$3==b{e=\$2} END{print e-s}" "$work/trace.txt"; }
  best() { printf "%s\n" "$@" | sort -g | head -1; }
  decode=(); install1=(); install2=(); copy=(); decode_in=(); install1_in=(); install2_in=()
  # One installation on the processors listed (taskset -c); appends to <array> and <array>_in.
  install() {
    rm -rf "$work/installed" "$work/trace.txt"
    local t=$(now)
    PACKWRIGHT_TEST_INSTALL=1 PACKWRIGHT_TEST_TRACE="$win\\trace.txt" taskset -c "$2" wine "$win\\setup.exe"
    eval "$1+=($(echo "$(now) - $t" | bc)); $1_in+=($(span install-start installed))"
    grep -q "install-ok 1" "$work/trace.txt" || { echo "the installation failed" >&2; exit 1; }
    seen[$1]=$(awk "\$3==\"processors\"{print \$4}" "$work/trace.txt")
  }
  declare -A seen
  for rep in $(seq "$BENCH_REPS"); do
    rm -rf "$work/copy" "$work/trace.txt"
    t=$(now); PACKWRIGHT_TEST_INSTALL=decode PACKWRIGHT_TEST_TRACE="$win\\trace.txt" taskset -c 0 wine "$win\\setup.exe"
    decode+=($(echo "$(now) - $t" | bc)); decode_in+=($(span decode-start decoded))
    install install1 0
    install install2 0,1
    t=$(now); wine xcopy /E /I /Q /Y "$win\\payload" "$win\\copy" >/dev/null
    copy+=($(echo "$(now) - $t" | bc))
  done
  wine reg delete "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Packwright Install Benchmark" /f >/dev/null 2>&1
  wineserver -k
  d=$(best "${decode[@]}"); i1=$(best "${install1[@]}"); i2=$(best "${install2[@]}"); c=$(best "${copy[@]}")
  di=$(best "${decode_in[@]}"); i1i=$(best "${install1_in[@]}"); i2i=$(best "${install2_in[@]}")
  mb=$(echo "scale=1; $BENCH_PAYLOAD / 1000000" | bc)
  echo "# Stub install under Wine: $mb MB in $BENCH_FILES files, Package $BENCH_PACKAGE bytes; wall seconds, best of $BENCH_REPS"
  printf "%-40s %8s %9s %9s\n" "run" "seconds" "MB/s" "traced s"
  row() { printf "%-40s %8.2f %9.1f %9.2f\n" "$1" "$2" "$(echo "$BENCH_PAYLOAD / $2 / 1000000" | bc -l)" "$(echo "$3 / 1000" | bc -l)"; }
  row "decode alone, 1 processor" "$d" "$di"
  row "install, 1 processor (Stub saw ${seen[install1]:-?})" "$i1" "$i1i"
  row "install, 2 processors (Stub saw ${seen[install2]:-?})" "$i2" "$i2i"
  printf "%-40s %8.2f %9.1f\n" "xcopy of the same files" "$c" "$(echo "$BENCH_PAYLOAD / $c / 1000000" | bc -l)"
  echo "install / decode alone, 1 processor:  $(echo "scale=2; $i1 / $d" | bc) (traced: $(echo "scale=2; $i1i / $di" | bc))"
  echo "install / decode alone, 2 processors: $(echo "scale=2; $i2 / $d" | bc) (traced: $(echo "scale=2; $i2i / $di" | bc))"
  echo "install 2 processors / 1 processor:   $(echo "scale=2; $i2 / $i1" | bc) (traced: $(echo "scale=2; $i2i / $i1i" | bc))"
  echo "install / copy, 2 processors:         $(echo "scale=2; $i2 / $c" | bc)"
'
