#!/usr/bin/env bash
# Installs what building for 64-bit Windows needs: the missing Debian packages (MinGW-w64,
# Wine, the tools that fetch and build source packages), then OpenSSL 3, Boost 1.74 and
# GoogleTest built static for x86_64-w64-mingw32 from Debian's own sources, with
# RapidJSON's headers, into a prefix under ~/.cache/velorin named after the versions and
# the toolchain, reused when it is there. The screen gets one line per step, the package
# manager's and the builds' output go to build/install-windows-dependencies.log. The
# prefix's path is written to build/windows-dependencies-prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/install-steps.sh
source_dir="$PWD"

packages=(
  cmake ninja-build make perl dpkg-dev bison
  g++-mingw-w64-x86-64-posix wine wine64
  googletest rapidjson-dev
)
# Raised when the way the prefix is built changes, so that an older prefix is not reused.
recipe=1
jobs=4

mkdir -p build
log="$PWD/build/install-windows-dependencies.log"
: > "$log"

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo > /dev/null || ! sudo -v; then
    echo "Installing packages and source lists needs root; run this script as root." >&2
    exit 1
  fi
  as_root=(sudo)
fi
apt_get=("${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get)

find_missing_packages "${packages[@]}"
if [ ${#missing[@]} -gt 0 ]; then
  step "Updating the package lists" "${apt_get[@]}" update
  step "Installing ${missing[*]}" "${apt_get[@]}" install -y --no-install-recommends "${missing[@]}"
fi

# apt-get source reads source lists; the machine's Debian lists of binary packages are
# repeated for sources where none are there.
write_source_lists() {
  cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '
      BEGIN { RS = ""; ORS = "\n\n" }
      /(^|\n)Types:[^\n]*deb/ && /(^|\n)URIs:[^\n]*debian/ {
        sub(/Types:[^\n]*/, "Types: deb-src"); print
      }' > "$work_lists/velorin-debian-sources.sources" &&
  { sed -n '/debian/s/^deb /deb-src /p' /etc/apt/sources.list 2>/dev/null || true; } \
    > "$work_lists/velorin-debian-sources.list" &&
  { [ -s "$work_lists/velorin-debian-sources.sources" ] || [ -s "$work_lists/velorin-debian-sources.list" ]; } &&
  for file in "$work_lists"/*; do
    if [ -s "$file" ]; then "${as_root[@]}" cp "$file" /etc/apt/sources.list.d/ || return 1; fi
  done
}
if ! apt-cache showsrc --only-source openssl 2>/dev/null | grep -c '^Package: openssl' > /dev/null; then
  work_lists="$(mktemp -d)"
  step "Adding the Debian source lists" write_source_lists
  step "Updating the package lists" "${apt_get[@]}" update
  rm -rf "$work_lists"
fi

# The versions of a source package that the lists name, newest first. A mirror may
# list a version whose files it cannot serve, so each is tried in turn when fetching.
source_versions() {
  apt-cache showsrc --only-source "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -rVu
}
mapfile -t openssl_versions < <(source_versions openssl)
mapfile -t boost_versions < <(source_versions boost1.74)
if [ ${#openssl_versions[@]} -eq 0 ] || [ ${#boost_versions[@]} -eq 0 ]; then
  echo "apt-cache finds no openssl or boost1.74 source package" >&2
  exit 1
fi
package_version() { dpkg-query -W -f='${Version}' "$1"; }
# versions_of <openssl version> <boost version>: what the prefix is built from.
versions_of() {
  printf '%s\n' "recipe $recipe" "openssl $1" "boost1.74 $2" \
    "googletest $(package_version googletest)" \
    "rapidjson-dev $(package_version rapidjson-dev)" \
    "g++-mingw-w64-x86-64-posix $(package_version g++-mingw-w64-x86-64-posix)" \
    "mingw-w64-x86-64-dev $(package_version mingw-w64-x86-64-dev)"
}
cache="${XDG_CACHE_HOME:-$HOME/.cache}/velorin"
prefix_of() { echo "$cache/windows-x86_64-$(versions_of "$1" "$2" | sha256sum | cut -c1-16)"; }

for openssl_version in "${openssl_versions[@]}"; do
  for boost_version in "${boost_versions[@]}"; do
    prefix="$(prefix_of "$openssl_version" "$boost_version")"
    if [ -f "$prefix/versions.txt" ]; then
      echo "Reusing the Windows dependencies in $prefix"
      echo "$prefix" > build/windows-dependencies-prefix
      exit 0
    fi
  done
done

work="$cache/windows-x86_64.work"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

# fetch <package> <versions...>: the sources of the newest version that can be had.
fetch() {
  local package="$1"
  shift
  local version
  for version in "$@"; do
    rm -rf "${work:?}/$package"
    mkdir "$work/$package"
    if (cd "$work/$package" && apt-get source "$package=$version"); then
      echo "$version" > "$work/$package.version"
      return 0
    fi
  done
  return 1
}
step "Fetching Debian's sources of OpenSSL" fetch openssl "${openssl_versions[@]}"
openssl_version="$(cat "$work/openssl.version")"
step "Fetching Debian's sources of Boost 1.74" fetch boost1.74 "${boost_versions[@]}"
boost_version="$(cat "$work/boost1.74.version")"
prefix="$(prefix_of "$openssl_version" "$boost_version")"
versions="$(versions_of "$openssl_version" "$boost_version")"

partial="$prefix.partial"
rm -rf "$cache"/windows-x86_64-*.partial
toolchain="$source_dir/cmake/MinGW-w64.cmake"

openssl_source="$(find "$work/openssl" -maxdepth 1 -type d -name 'openssl-*' | head -n 1)"
boost_source="$(find "$work/boost1.74" -maxdepth 1 -type d -name 'boost1.74-*' | head -n 1)"

# Each build runs in a shell of its own that stops at the first failing command.
build_openssl() {
  bash -ec '
    cd "$1"
    ./Configure mingw64 no-shared no-tests --cross-compile-prefix=x86_64-w64-mingw32- \
      --prefix="$2" --libdir=lib
    make -j"$3" build_libs
    make install_dev' build-openssl "$openssl_source" "$partial" "$jobs"
}
# Only the libraries the project links; Boost.Iostreams without compression filters.
# Debian's repacked sources leave the build tool's grammar to bison. The libraries and
# their CMake package files are staged into the prefix and the headers copied whole:
# b2's install copies them one process per file, which takes minutes.
build_boost() {
  bash -ec '
    cd "$1"
    (cd tools/build && bison -y -d -o src/engine/jamgram.cpp src/engine/jamgram.y)
    ./bootstrap.sh
    echo "using gcc : mingw : x86_64-w64-mingw32-g++-posix ;" > user-config.jam
    ./b2 --user-config=user-config.jam -j"$3" -d1 \
      toolset=gcc-mingw target-os=windows address-model=64 architecture=x86 \
      variant=release link=static runtime-link=shared threading=multi \
      -sNO_BZIP2=1 -sNO_ZLIB=1 -sNO_LZMA=1 -sNO_ZSTD=1 \
      --with-system --with-filesystem --with-iostreams --with-program_options \
      --with-regex --with-thread --with-date_time \
      --layout=system --stagedir="$2" stage
    mkdir -p "$2/include"
    cp -rL boost "$2/include/"
    sed -i "s|^get_filename_component(_BOOST_INCLUDEDIR .*|get_filename_component(_BOOST_INCLUDEDIR \"\${_BOOST_CMAKEDIR}/../../include/\" ABSOLUTE)|" \
      "$2"/lib/cmake/*/*-config.cmake
    ! grep -l "$1" -r "$2/lib/cmake"' build-boost "$boost_source" "$partial" "$jobs"
}
build_googletest() {
  bash -ec '
    cmake -S /usr/src/googletest -B "$1/googletest" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$2" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$3"
    cmake --build "$1/googletest" -j"$4"
    cmake --install "$1/googletest"' build-googletest "$work" "$toolchain" "$partial" "$jobs"
}
# RapidJSON is header-only; its package file points at the prefix's copy.
copy_rapidjson() {
  mkdir -p "$partial/include" "$partial/lib/cmake/RapidJSON" &&
  cp -r /usr/include/rapidjson "$partial/include/" &&
  cp /usr/share/cmake/RapidJSON/RapidJSONConfigVersion.cmake "$partial/lib/cmake/RapidJSON/" &&
  cat > "$partial/lib/cmake/RapidJSON/RapidJSONConfig.cmake" <<'CONFIG'
get_filename_component(RAPIDJSON_INCLUDE_DIRS "${CMAKE_CURRENT_LIST_DIR}/../../../include" ABSOLUTE)
CONFIG
}

step "Building OpenSSL for Windows" build_openssl
step "Building Boost for Windows" build_boost
step "Building GoogleTest for Windows" build_googletest
step "Copying RapidJSON's headers" copy_rapidjson
printf '%s\n' "$versions" > "$partial/versions.txt"
rm -rf "$prefix"
mv "$partial" "$prefix"
echo "The Windows dependencies are in $prefix"
echo "$prefix" > build/windows-dependencies-prefix
