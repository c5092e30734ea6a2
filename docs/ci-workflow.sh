#!/bin/sh
# A build job for any CI system that runs shell steps on Debian 12 (or in a debian:12
# container): packwright from its Debian package, the installer built reproducibly, checked
# byte for byte against its manifest and, where `packwright try` is available, installed and
# removed under Wine. Run it from the root of the product's repository, which holds
# setup.toml, with the package downloaded beside it as packwright_<version>_amd64.deb.
set -eu

# 1. Install packwright. Wine and Xvfb are only needed for step 4; leave out
#    --no-install-recommends to get them (32-bit Wine also needs: dpkg --add-architecture i386).
apt-get update -q
apt-get install -y -q --no-install-recommends ./packwright_*_amd64.deb
packwright --version

# 2. Build. The same commit gives the same bytes on every machine.
export SOURCE_DATE_EPOCH="$(git log -1 --format=%ct)"
packwright build setup.toml -o dist/setup.exe

# 3. Verify every block, and every byte against what the manifest builds (exit 3 if not).
packwright verify dist/setup.exe --manifest setup.toml

# 4. Try it: install through the wizard under Wine, report what it added, uninstall, and
#    fail if anything was left behind.
if packwright try --help > /dev/null 2>&1; then
  packwright try dist/setup.exe --screenshots dist/screenshots
fi
