#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/configure-and-build.sh default
ctest --preset default
