#!/bin/sh
# Checks that every source file includes only its own layer and the layers below it, and
# prints the include graph between folders. Usage: check-layers.sh ROOT
set -eu
root=$1
cd "$root"

# folder: the folders its files may include (besides the system's headers)
allowed() {
  case $1 in
    state) echo "state" ;;
    platform) echo "state platform" ;;
    package) echo "state platform package" ;;
    install) echo "state platform package install" ;;
    wizard) echo "state platform package install wizard" ;;
    remove) echo "state platform package install remove" ;;
    shell) echo "state platform package install wizard remove shell" ;;
    # The tool runs on Linux: the Package's formats and plain file reading, never the Stub's
    # platform, engine or shell.
    packwright) echo "state package platform/host packwright" ;;
  esac
}

status=0
edges=$(mktemp)
for layer in state platform package install wizard remove shell packwright; do
  [ -d "$layer" ] || continue
  for file in $(find "$layer" -name '*.h' -o -name '*.cpp' -o -name '*.inl' | sort); do
    grep -o '^#include "[^"]*"' "$file" | sed 's/#include "//; s/"$//' | while read -r included; do
      top=${included%%/*}
      [ "$top" = "$included" ] && continue  # a header beside the file
      target=$top
      [ "$top" = platform ] && [ "$layer" = packwright ] && target=platform/$(echo "$included" | cut -d/ -f2)
      echo "$layer -> $top" >>"$edges"
      ok=no
      for a in $(allowed "$layer"); do
        if [ "$a" = "$target" ] || [ "$a" = "$top" -a "$target" = "$top" ]; then ok=yes; fi
      done
      # The wizard drives the engine through its two entry points only, and adds the outcome
      # to the run's account.
      if [ "$layer" = wizard ] && [ "$top" = install ]; then
        case $included in install/ProgressDialog.h | install/PathMacros.h | install/RunAccount.h) ;; *) ok=no ;; esac
      fi
      if [ $ok = no ]; then
        echo "layering: $file includes $included"
        echo x >>"$edges.bad"
      fi
    done
  done
done
echo "include graph between folders:"
sort "$edges" | uniq -c | sed 's/^/  /'
if [ -e "$edges.bad" ]; then status=1; rm -f "$edges.bad"; fi
rm -f "$edges"
exit $status
