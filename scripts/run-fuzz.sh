#!/usr/bin/env bash
# Runs each fuzz target for a while (FUZZ_SECONDS, default 60), seeded from
# fuzz/seeds/<target>/ and the workbook corpus when present. Findings land in
# build/fuzz/findings/<target>/.
set -euo pipefail
build=${1:-build/fuzz}
seconds=${FUZZ_SECONDS:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
for f in "$build"/fuzz/fuzz_*; do
  name=$(basename "$f")
  work="$build/work/$name"; findings="$build/findings/$name"
  mkdir -p "$work" "$findings"
  seeds=()
  [ -d "$root/fuzz/seeds/$name" ] && seeds+=("$root/fuzz/seeds/$name")
  [ -d "$root/../shared/corpus" ] && seeds+=("$root/../shared/corpus")
  echo "== $name for ${seconds}s"
  "$f" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$findings/" "$work" "${seeds[@]}" || true
done
