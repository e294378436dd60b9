#!/usr/bin/env bash
# Builds the default preset and runs every benchmark (extra arguments go to each).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/configure-and-build.sh default
for bench in build/default/bench/*_bench; do
  echo "== $(basename "$bench")"
  "$bench" "$@"
done
