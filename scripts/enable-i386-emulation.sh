#!/usr/bin/env bash
# Lets a kernel without 32-bit x86 support run the 32-bit Wine the end-to-end tests need:
# installs a user-mode emulator recent enough for Wine's memory reservations (Debian 12's
# own is not, so it comes from bookworm-backports) and registers it for i386 programs.
# Does nothing where 32-bit programs already run. The registration lasts until a reboot.
set -euo pipefail
probe=/usr/lib/wine/wine
if [ ! -x "$probe" ] || "$probe" --version >/dev/null 2>&1; then exit 0; fi

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
if ! command -v qemu-i386-static >/dev/null || ! qemu-i386-static --version | grep -qE 'version ([89]|[1-9][0-9])\.'; then
  echo "This kernel cannot run 32-bit programs: installing the i386 emulator from bookworm-backports"
  list=/etc/apt/sources.list.d/bookworm-backports.list
  if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    echo 'deb http://deb.debian.org/debian bookworm-backports main' | $SUDO tee "$list" >/dev/null
  fi
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user-static
fi

binfmt=/proc/sys/fs/binfmt_misc
[ -e "$binfmt/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$binfmt"
[ -e "$binfmt/qemu-i386" ] && echo -1 | $SUDO tee "$binfmt/qemu-i386" >/dev/null
# 32-bit little-endian x86 executables and shared objects; F: the emulator is opened now,
# so it serves in every mount namespace.
echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' |
  $SUDO tee "$binfmt/register" >/dev/null
"$probe" --version >/dev/null
echo "32-bit programs now run through qemu-i386-static"
