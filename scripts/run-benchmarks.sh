#!/usr/bin/env bash
# Builds the default preset and runs every benchmark (extra arguments go to each), then
# prints one table of every library/peer ratio that the programs reported.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/configure-and-build.sh default
outputs="$(mktemp -d)"
trap 'rm -rf "$outputs"' EXIT
for bench in build/default/bench/*_bench; do
  name="$(basename "$bench")"
  echo "== $name"
  "$bench" "$@" | tee "$outputs/$name.txt"
done
# Each program ends with its ratios under a heading line, closed by an empty line
# (bench/ComparisonMain.cpp); they are gathered here under the program's name.
echo "== Summary: library time / peer time (below 1: the library is faster)"
for output in "$outputs"/*.txt; do
  awk -v program="$(basename "$output" .txt)" '
    /^Ratios \(library time \/ peer time\):$/ { inside = 1; next }
    inside && /^$/ { inside = 0 }
    inside { printf "%-20s %s\n", program, $0 }
  ' "$output"
done
