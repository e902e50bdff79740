#!/usr/bin/env bash
# Runs every micro-benchmark of a bench build, one after the other, then the suite that
# compares the tool with openpyxl, pandas and the floor (bench/run_suite.py) and rewrites
# bench/RESULTS.md.
set -euo pipefail
build=${1:-build/bench}
here=$(cd "$(dirname "$0")" && pwd)
shopt -s nullglob
for b in "$build"/bench/bench_*; do
  echo "== $(basename "$b")"
  "$b"
done
# The system Python: it has openpyxl and pandas from Debian's packages.
exec /usr/bin/python3 "$here/../bench/run_suite.py" "$build"
