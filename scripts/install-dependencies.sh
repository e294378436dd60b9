#!/usr/bin/env bash
# Installs the Debian 12 packages the build needs, only those that are missing. The
# package manager's output goes to a log file; the screen gets one line per step.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/install-steps.sh

packages=(
  build-essential cmake ninja-build pkg-config
  libboost-dev libboost-system-dev libboost-filesystem-dev libboost-iostreams-dev
  libboost-program-options-dev libboost-regex-dev libboost-thread-dev libboost-date-time-dev
  rapidjson-dev libssl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libspdlog-dev nlohmann-json3-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix
)

find_missing_packages "${packages[@]}"
[ ${#missing[@]} -gt 0 ] || exit 0

exit_naming_the_root_command() {
  echo "Installing the missing packages needs root. As root, run:" >&2
  echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
  exit 1
}

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo > /dev/null || exit_naming_the_root_command
  sudo -v || exit_naming_the_root_command
  as_root=(sudo)
fi

mkdir -p build
log="$PWD/build/install-dependencies.log"
: > "$log"

# Set through env, which sudo passes on, so that no package stops to ask a question.
apt_get=("${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get)
step "Updating the package lists" "${apt_get[@]}" update
step "Installing ${missing[*]}" \
  "${apt_get[@]}" install -y --no-install-recommends "${missing[@]}"
