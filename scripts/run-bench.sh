#!/usr/bin/env bash
# Runs every benchmark executable of a bench build, one after the other.
set -euo pipefail
build=${1:-build/bench}
shopt -s nullglob
benches=("$build"/bench/bench_*)
if [ ${#benches[@]} -eq 0 ]; then
  echo "No benchmarks yet."
  exit 0
fi
for b in "${benches[@]}"; do
  echo "== $(basename "$b")"
  "$b"
done
