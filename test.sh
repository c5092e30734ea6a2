#!/usr/bin/env bash
# Runs the whole test suite: installs what is missing, builds, then every test through ctest.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
cd build
ctest --output-on-failure -j2 "$@"
