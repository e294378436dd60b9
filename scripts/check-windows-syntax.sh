#!/usr/bin/env bash
# Compiles every library source outside the platform layer, and every public header,
# for 64-bit Windows (MinGW-w64 with the real Windows headers), syntax only, so that
# no Linux-only call or name creeps into the one code path the library has. The
# platform layer's stand-ins are the Linux side of Win32Api.hpp and are left out.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-dependencies.sh

compiler=x86_64-w64-mingw32-g++-posix
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Only Boost, RapidJSON and OpenSSL come from the Debian headers, searched after MinGW's
# own, so that no Linux system header can stand in for a missing Windows one. OpenSSL's
# two build-specific headers live in the multiarch folder.
mkdir -p "$work/third-party/openssl"
ln -s /usr/include/boost "$work/third-party/boost"
ln -s /usr/include/rapidjson "$work/third-party/rapidjson"
ln -s /usr/include/openssl/* /usr/include/"$(gcc -print-multiarch)"/openssl/* "$work/third-party/openssl/"

flags=(
  -std=c++17 -fsyntax-only -Wall -Wextra -DBOOST_ENABLE_ASSERT_HANDLER
  -idirafter "$work/third-party"
)
# The definitions the package gives a Windows consumer, read from where it gives them,
# so that the check compiles what a Windows build of the package compiles.
windows_definitions="$(sed -n 's/.*\$<\$<PLATFORM_ID:Windows>:\([^>]*\)>.*/\1/p' src/cpp/platform/CMakeLists.txt)"
if [ -z "$windows_definitions" ]; then
  echo "src/cpp/platform/CMakeLists.txt gives Windows consumers no definitions" >&2
  exit 1
fi
IFS=';' read -ra definitions <<< "$windows_definitions"
for definition in "${definitions[@]}"; do
  flags+=(-D"$definition")
done
for include in src/cpp/*/include; do
  flags+=(-I "$include")
done

shopt -s globstar nullglob
files=()
for file in src/cpp/**/*.cpp src/cpp/*/include/**/*.hpp; do
  case "$file" in
    src/cpp/platform/include/platform/Win32Api.hpp) files+=("$file") ;;
    src/cpp/platform/*) ;;
    *) files+=("$file") ;;
  esac
done

# A header is compiled as the one line a user writes to include it.
check() {
  local file="$1"
  if [[ "$file" == *.hpp ]]; then
    printf '#include <%s>\n' "${file#src/cpp/*/include/}" | "$compiler" "${flags[@]}" -x c++ -
  else
    "$compiler" "${flags[@]}" "$file"
  fi
}

mkdir "$work/logs"
index=0
for file in "${files[@]}"; do
  index=$((index + 1))
  { check "$file" || echo "$file" > "$work/logs/$index.failed"; } > "$work/logs/$index.log" 2>&1 &
  while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do
    wait -n || true
  done
done
wait

failed=("$work"/logs/*.failed)
for marker in "${failed[@]}"; do
  echo "== $(cat "$marker")"
  cat "${marker%.failed}.log"
done
echo "Windows syntax check: ${#files[@]} files, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
