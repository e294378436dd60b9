#!/usr/bin/env bash
# The whole suite under AddressSanitizer with UndefinedBehaviorSanitizer, and the
# concurrency tests under ThreadSanitizer. Any sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"

./scripts/configure-and-build.sh asan
ctest --preset asan

./scripts/configure-and-build.sh tsan
ctest --preset tsan
