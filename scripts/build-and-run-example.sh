#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything and runs the example host program.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/configure-and-build.sh default
./build/default/examples/velorin_example
