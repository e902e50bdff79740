#!/usr/bin/env bash
# The size of the tests against the code they test: non-blank lines of the files git tracks
# under src/ (and res/, the help pages) against those under tests/, per test folder too.
# The share is tests / src; with res/ counted as code it is given second.
set -euo pipefail
cd "$(dirname "$0")/.."
lines() { git ls-files -z -- "$@" | xargs -0 cat | grep -c '[^[:space:]]' || true; }
src=$(lines src)
res=$(lines res)
tests=$(lines tests)
echo "src $src  res $res  tests $tests"
awk -v s="$src" -v r="$res" -v t="$tests" \
    'BEGIN { printf "tests/src %.1f %%   tests/(src+res) %.1f %%\n", 100 * t / s, 100 * t / (s + r) }'
for dir in tests/*/; do
    printf '  %-22s %s\n' "$dir" "$(lines "$dir")"
done
