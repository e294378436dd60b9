#!/usr/bin/env bash
# The layering check fails on each kind of wrong include, naming the file and line, and
# passes a tree whose includes keep the layers. Each case adds its files to a fresh
# copy of a small tree.
# Usage: tests/layering/CheckLayering.sh <the layering script>
set -euo pipefail
check="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A tree of one public header per layer and one private file per part of the core, with
# includes that are all allowed.
make_tree() {
  local tree="$1"
  mkdir -p "$tree"/src/cpp/{platform/include/platform,shared_core/include/shared_core} \
           "$tree"/src/cpp/core/{include/core/http,http,json,system}
  printf '#pragma once\n' > "$tree/src/cpp/platform/include/platform/Win32Api.hpp"
  printf '#pragma once\n#include <platform/Win32Api.hpp>\n' > "$tree/src/cpp/shared_core/include/shared_core/Error.hpp"
  printf '#pragma once\n#include <shared_core/Error.hpp>\n' > "$tree/src/cpp/core/include/core/http/Response.hpp"
  printf '#pragma once\n#include <string>\n' > "$tree/src/cpp/core/LogText.hpp"
  for part in http json system; do
    printf '#pragma once\n#include "../LogText.hpp"\n' > "$tree/src/cpp/core/$part/Private.hpp"
  done
  printf '#include <core/http/Response.hpp>\n#include "Private.hpp"\n#include "../LogText.hpp"\n' \
    > "$tree/src/cpp/core/json/JsonRpc.cpp"
}

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

make_tree "$work/clean"
if ! output="$(bash "$check" "$work/clean" 2>&1)"; then
  fail "a tree that keeps its layers was refused: $output"
fi

# name|file|its text (a printf format)|what the report must say[|a second file|its text]
cases=(
  "platform over the shared core|src/cpp/platform/WinFile.cpp|#include <string>\n#include <shared_core/Error.hpp>\n|src/cpp/platform/WinFile.cpp:2: includes <shared_core/Error.hpp>, but the platform layer"
  "platform over a core file by path|src/cpp/platform/WinText.cpp|#include \"../core/LogText.hpp\"\n|src/cpp/platform/WinText.cpp:1: includes \"../core/LogText.hpp\", but the platform layer"
  "shared core over the core|src/cpp/shared_core/Logger.cpp|#include <core/http/Response.hpp>\n|src/cpp/shared_core/Logger.cpp:1: includes <core/http/Response.hpp>, but the shared core stands below the core"
  "json over a private file of http|src/cpp/core/json/Other.cpp|\n#include \"../http/Private.hpp\"\n|src/cpp/core/json/Other.cpp:2: includes \"../http/Private.hpp\", a private file of the core's http part, from its json part"
  "system over a private file of json|src/cpp/core/system/Crypto.hpp|#pragma once\n#include \"../json/Private.hpp\"\n|src/cpp/core/system/Crypto.hpp:2: includes \"../json/Private.hpp\", a private file of the core's json part, from its system part"
  "a public header over a private file|src/cpp/core/include/core/http/Request.hpp|#include \"../../../http/Private.hpp\"\n|src/cpp/core/include/core/http/Request.hpp:1: includes \"../../../http/Private.hpp\", a private file, from a public header"
  "two files in a loop|src/cpp/core/http/Private.hpp|#pragma once\n#include \"Loop.hpp\"\n|src/cpp/core/http/Loop.hpp:2 includes src/cpp/core/http/Private.hpp|src/cpp/core/http/Loop.hpp|#pragma once\n#include \"Private.hpp\"\n"
)
index=0
for entry in "${cases[@]}"; do
  IFS='|' read -r name file text expected second_file second_text <<< "$entry"
  index=$((index + 1))
  tree="$work/case$index"
  make_tree "$tree"
  # shellcheck disable=SC2059 # the texts are printf formats on purpose
  printf "$text" > "$tree/$file"
  if [ -n "$second_file" ]; then
    # shellcheck disable=SC2059
    printf "$second_text" > "$tree/$second_file"
  fi
  if output="$(bash "$check" "$tree" 2>&1)"; then
    fail "$name: passed"
  elif [[ "$output" != *"$expected"* ]]; then
    fail "$name: the report lacks '$expected':"$'\n'"$output"
  fi
done

echo "Layering check cases: $((index + 1)) run, $failures failed"
[ "$failures" -eq 0 ]
