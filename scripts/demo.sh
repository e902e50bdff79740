#!/usr/bin/env bash
# Runs the command-line tool on the bundled examples (once it exists).
set -euo pipefail
build=${1:-build/release}
if [ ! -x "$build/bin/tabulon" ]; then
  echo "Built the core library in $build. The command-line tool is not part of this build yet."
  exit 0
fi
