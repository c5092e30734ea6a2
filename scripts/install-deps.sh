#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, and only what is missing.
set -euo pipefail
# osslsigncode and openssl: `packwright sign` and the signature check of `verify`.
# fonts-liberation: the face Wine gives the background window's text; the end-to-end
# picture checks are measured with it.
packages=(
  cmake ninja-build g++ pkg-config git
  libgtest-dev libcli11-dev libfmt-dev libtomlplusplus-dev libdivsufsort-dev
  g++-mingw-w64-i686 wine wine32:i386 fonts-liberation xvfb xauth x11-apps imagemagick
  clang libclang-rt-14-dev bzip2 xz-utils gzip libxml2-utils
  dpkg-dev groff-base lintian
  osslsigncode openssl
)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
# 32-bit Wine on a kernel that cannot run 32-bit programs goes through an emulator.
if [ ${#missing[@]} -eq 0 ]; then
  "$(dirname "$0")/enable-i386-emulation.sh"
  exit 0
fi
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
"$(dirname "$0")/enable-i386-emulation.sh"
