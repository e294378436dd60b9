#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a fixed time (seconds, default 60)
# on a copy of its seed corpus. A crash or sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

./scripts/configure-and-build.sh fuzz

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
shopt -s nullglob
for fuzzer in build/fuzz/fuzz/*_fuzzer; do
  name="$(basename "$fuzzer")"
  mkdir -p "$work/$name"
  # New inputs go to the scratch folder; the committed seeds are only read.
  corpora=("$work/$name")
  [ -d "fuzz/corpus/$name" ] && corpora+=("fuzz/corpus/$name")
  echo "Fuzzing $name for ${seconds}s"
  "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/" \
    "${corpora[@]}" 2>&1 | tail -n 12
done
