#!/usr/bin/env bash
# Assembles the benchmark corpus in <dir>: real Windows binaries (the 32-bit PE DLLs that
# the wine32 package ships) and real text (Debian's /usr/share/doc, .gz files unpacked).
# The choice is by sorted name, so the same machine always gets the same corpus.
set -euo pipefail
dir="${1:?usage: bench/make-corpus.sh <dir>}"
binary_limit=$((24 * 1024 * 1024))
text_limit=$((12 * 1024 * 1024))
[ -f "$dir/.complete" ] && exit 0
rm -rf "$dir"
mkdir -p "$dir/binaries" "$dir/text"

total=0
dlls=/usr/lib/i386-linux-gnu/wine/i386-windows
[ -d "$dlls" ] || { echo "no $dlls: install wine32" >&2; exit 1; }
while IFS= read -r f; do
  [ "$total" -ge "$binary_limit" ] && break
  cp "$f" "$dir/binaries/"
  total=$((total + $(stat -c %s "$f")))
done < <(find "$dlls" -maxdepth 1 -name '*.dll' -type f | LC_ALL=C sort)

total=0; n=0
while IFS= read -r f; do
  [ "$total" -ge "$text_limit" ] && break
  n=$((n + 1))
  out="$dir/text/$n-$(basename "${f%.gz}")"
  case "$f" in
    *.gz) gunzip -c "$f" > "$out" 2>/dev/null || { rm -f "$out"; continue; } ;;
    *) cp "$f" "$out" ;;
  esac
  # Only text: grep -I treats files with NUL bytes as binary.
  if [ -s "$out" ] && grep -Iq . "$out"; then
    total=$((total + $(stat -c %s "$out")))
  else
    rm -f "$out"
  fi
done < <(find /usr/share/doc -type f \( -name '*.gz' -o ! -name '*.*' -o -name '*.txt' -o -name '*.md' -o -name '*.html' \) | LC_ALL=C sort)
touch "$dir/.complete"
