#!/usr/bin/env bash
# Builds the libFuzzer targets and runs them side by side, one per core, each for a
# fixed time (seconds, default 60) on a copy of its seed corpus. A crash, leak,
# time-out or sanitizer report fails the run: the input that caused it is kept in
# build/fuzz-artifacts/<target>/, the target's output in build/fuzz-artifacts/<target>.log,
# and its whole report is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

./scripts/configure-and-build.sh fuzz

artifacts="build/fuzz-artifacts"
mkdir -p "$artifacts"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Runs one target; its outcome is left in the scratch folder, so that the runs going
# on beside it are not cut short.
fuzz_one() {
  local fuzzer="$1" name
  name="$(basename "$fuzzer")"
  mkdir -p "$work/$name" "$artifacts/$name"
  # New inputs go to the scratch folder; the committed seeds are only read.
  local corpora=("$work/$name")
  [ -d "fuzz/corpus/$name" ] && corpora+=("fuzz/corpus/$name")
  local status=0
  "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts/$name/" \
    "${corpora[@]}" > "$artifacts/$name.log" 2>&1 || status=$?
  echo "$status" > "$work/$name.status"
  # Only a folder with something in it is worth a look.
  rmdir "$artifacts/$name" 2> /dev/null || true
}

shopt -s nullglob
fuzzers=(build/fuzz/fuzz/*_fuzzer)
if [ "${#fuzzers[@]}" -eq 0 ]; then
  echo "No fuzz targets were built" >&2
  exit 1
fi
slots="$(nproc)"
echo "Fuzzing ${#fuzzers[@]} targets for ${seconds}s each, $slots at a time"
for fuzzer in "${fuzzers[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$slots" ]; do
    wait -n || true
  done
  fuzz_one "$fuzzer" &
done
wait

failed=()
for fuzzer in "${fuzzers[@]}"; do
  name="$(basename "$fuzzer")"
  log="$artifacts/$name.log"
  status="$(cat "$work/$name.status" 2> /dev/null || echo 1)"
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  if [ "$status" -eq 0 ]; then
    echo "$name: passed, ${runs:-0} runs"
    continue
  fi
  failed+=("$name")
  echo "$name: FAILED (exit status $status); inputs kept in $artifacts/$name/:"
  ls -1 "$artifacts/$name" | sed 's/^/  /'
  # The report from its first line on, or the whole output when none is recognised.
  first="$(grep -n -m 1 -E '^==[0-9]+== ?(ERROR|WARNING)|runtime error:|^INFO: a leak has been found' "$log" |
    cut -d: -f1 || true)"
  echo "----- $name report -----"
  tail -n "+${first:-1}" "$log"
  echo "----- end of $name report -----"
done

if [ "${#failed[@]}" -gt 0 ]; then
  echo "Fuzzing failed: ${failed[*]}" >&2
  exit 1
fi
echo "Fuzzing passed: ${#fuzzers[@]} targets"
