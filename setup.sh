#!/usr/bin/env bash
# Installs what is missing, builds everything, then builds the example installer and runs it
# under Wine (headless when no display is set).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
if [ -x scripts/run-example.sh ]; then
  scripts/run-example.sh
fi
