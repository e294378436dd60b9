#!/usr/bin/env bash
# Checks the includes of the sources against the library's layers, and fails naming each
# offending file and line:
# - the platform layer includes nothing of the shared core or the core;
# - the shared core includes nothing of the core;
# - the core's http, json and system parts include none of each other's private files
#   (what they share privately lives in the core's own folder, public headers in include/);
# - a public header includes no private file, which an installed package would lack;
# - no files include each other in a loop.
# Usage: scripts/check-layering.sh [source root, default: this tree]
set -euo pipefail
root="${1:-$(dirname "$0")/..}"
cd "$root"

shopt -s globstar nullglob
files=()
for file in src/cpp/**/*.cpp src/cpp/**/*.hpp tests/cpp/**/*.cpp tests/cpp/**/*.hpp \
            bench/**/*.cpp bench/**/*.hpp examples/**/*.cpp examples/**/*.hpp \
            fuzz/**/*.cpp fuzz/**/*.hpp; do
  files+=("$file")
done
if [ ${#files[@]} -eq 0 ]; then
  echo "check-layering: no sources under $(pwd)" >&2
  exit 1
fi

listing="$(mktemp)"
trap 'rm -f "$listing"' EXIT
printf '%s\n' "${files[@]}" > "$listing"

# Angle includes are searched in the include folders the targets give; quoted ones in
# the including file's own folder first. Includes of files outside the tree (the
# standard library, Boost) resolve to nothing and are not checked.
{ grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"][^>"]+[>"]' "${files[@]}" || true; } |
awk -v listing="$listing" '
function normalize(path,    parts, count, i, out, depth, stack) {
   count = split(path, parts, "/")
   depth = 0
   for (i = 1; i <= count; ++i) {
      if (parts[i] == "" || parts[i] == ".")
         continue
      if (parts[i] == ".." && depth > 0 && stack[depth] != "..")
         --depth
      else
         stack[++depth] = parts[i]
   }
   out = ""
   for (i = 1; i <= depth; ++i)
      out = out (i > 1 ? "/" : "") stack[i]
   return out
}
function folderOf(path) {
   return sub(/\/[^\/]*$/, "", path) ? path : "."
}
function resolve(file, quoted, name,    candidate, i) {
   if (quoted) {
      candidate = normalize(folderOf(file) "/" name)
      if (candidate in exists)
         return candidate
   }
   for (i = 1; i <= includeFolderCount; ++i) {
      candidate = normalize(includeFolders[i] "/" name)
      if (candidate in exists)
         return candidate
   }
   return ""
}
function isPublic(path) {
   return path ~ /^src\/cpp\/[^\/]+\/include\// || path ~ /^tests\/cpp\/hooks\/include\//
}
# The part of the core a private file belongs to (http, json, system), or "".
function corePart(path,    parts) {
   if (path ~ /^src\/cpp\/core\/(http|json|system)\//) {
      split(path, parts, "/")
      return parts[4]
   }
   return ""
}
function report(file, line, name, why) {
   printf "%s:%d: includes %s, %s\n", file, line, name, why
   ++failures
}
# Depth first over the include graph; an edge back to a file on the path closes a loop.
function visit(file,    i, target, j, loop) {
   state[file] = 1
   onPath[++pathLength] = file
   for (i = 1; i <= edgeCount[file]; ++i) {
      target = edgeTarget[file, i]
      pathLine[pathLength] = edgeLine[file, i]
      if (state[target] == 1) {
         loop = ""
         for (j = pathLength; j >= 1 && onPath[j] != target; --j)
            ;
         for (; j <= pathLength; ++j)
            loop = loop sprintf("\n  %s:%d includes %s", onPath[j], pathLine[j], j < pathLength ? onPath[j + 1] : target)
         printf "%s:%d: includes %s, which leads back to it in a loop:%s\n", file, edgeLine[file, i], target, loop
         ++failures
      } else if (state[target] == 0) {
         visit(target)
      }
   }
   --pathLength
   state[file] = 2
}
BEGIN {
   while ((getline entry < listing) > 0) {
      exists[entry] = 1
      order[++fileCount] = entry
   }
   includeFolderCount = split("src/cpp/platform/include src/cpp/shared_core/include src/cpp/core/include tests/cpp/hooks/include tests/cpp", includeFolders, " ")
}
{
   # file:line:#include <name> or "name"
   file = $0; sub(/:.*/, "", file)
   rest = substr($0, length(file) + 2)
   line = rest; sub(/:.*/, "", line)
   text = substr(rest, length(line) + 2)
   quoted = text ~ /include[[:space:]]*"/
   name = text; sub(/^[^<"]*[<"]/, "", name); sub(/[>"].*$/, "", name)
   target = resolve(file, quoted, name)
   shown = quoted ? "\"" name "\"" : "<" name ">"

   if (file ~ /^src\/cpp\/platform\//) {
      if (name ~ /^(shared_core|core)\// || target ~ /^src\/cpp\/(shared_core|core)\//)
         report(file, line, shown, "but the platform layer stands below the shared core and the core")
   } else if (file ~ /^src\/cpp\/shared_core\//) {
      if (name ~ /^core\// || target ~ /^src\/cpp\/core\//)
         report(file, line, shown, "but the shared core stands below the core")
   }
   if (corePart(file) != "" && corePart(target) != "" && corePart(file) != corePart(target))
      report(file, line, shown, "a private file of the core'"'"'s " corePart(target) " part, from its " corePart(file) " part")
   if (isPublic(file) && target != "" && !isPublic(target))
      report(file, line, shown, "a private file, from a public header")

   if (target != "") {
      ++edgeCount[file]
      edgeTarget[file, edgeCount[file]] = target
      edgeLine[file, edgeCount[file]] = line
   }
}
END {
   for (i = 1; i <= fileCount; ++i)
      if (state[order[i]] == 0)
         visit(order[i])
   if (failures > 0) {
      printf "Layering check: %d wrong include(s)\n", failures
      exit 1
   }
   printf "Layering check: %d files, their includes keep the layers\n", fileCount
}'
