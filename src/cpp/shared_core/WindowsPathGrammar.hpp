// WindowsPathGrammar.hpp: the Windows path grammar, on UTF-16 text, on every platform.
//
// Boost.Filesystem follows the host's rules, so on Linux it knows nothing of drives,
// network names or '\'. FilePath follows Windows everywhere, with this grammar:
//   - a root name is a drive or any first name ending in ':' (C:, C:x) or a network
//     name (//server, \\server);
//   - a root directory is the separator run after the root name (or at the start);
//   - then names between separator runs, and a trailing separator after a name
//     counts as a final "." element.
// Elements compare as plain UTF-16 strings, but for the separators of a network name;
// the root directory always compares as "/".
// Results built here use '/' as their separator.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velorin::core::windows_path {

inline bool isSeparator(wchar_t c)
{
   return c == L'/' || c == L'\\';
}

struct RootParts
{
   std::size_t nameSize = 0;          // the root name is path[0, nameSize)
   bool hasDirectory = false;
   std::size_t relativeStart = 0;     // where the names after the root begin
};

RootParts splitRoot(std::wstring_view path);
// The readings of a root and of a path's end also take plain ASCII text held as bytes.
RootParts splitRoot(std::string_view path);

// Walks the elements of a path: root name, root directory ("/"), names, final ".".
class ElementCursor
{
public:
   explicit ElementCursor(std::wstring_view path);

   // False once every element has been given.
   bool next(std::wstring_view& element);

private:
   enum class Stage
   {
      RootName,
      RootDirectory,
      Names,
      TrailingDot,
      Done
   };

   std::wstring_view path_;
   RootParts root_;
   std::size_t position_;
   Stage stage_ = Stage::RootName;
};

// <0, 0 or >0 as a orders before, equal to or after b, element by element.
int compare(std::wstring_view a, std::wstring_view b);

bool hasRootDirectory(std::wstring_view path);
// A root name and a root directory, as Windows requires.
bool isAbsolute(std::wstring_view path);

// The last element ("." after a trailing separator, "/" for a bare root directory).
std::wstring_view filename(std::wstring_view path);
std::string_view filename(std::string_view path);
// From the filename's last '.'; empty for "." and "..".
std::wstring_view extension(std::wstring_view filename);
std::string_view extension(std::string_view filename);
std::wstring_view stem(std::wstring_view filename);
std::string_view stem(std::string_view filename);
// The path without its last element and the separators before it (a root directory stays).
std::wstring_view parentPath(std::wstring_view path);
std::string_view parentPath(std::string_view path);

// "." dropped but first and last, "name/.." dropped; "." for a result that would be
// empty; empty for an empty path.
std::wstring lexicallyNormal(std::wstring_view path);
// path relative to base, element by element: "" when they share no first element,
// "." when equal.
std::wstring lexicallyRelative(std::wstring_view path, std::wstring_view base);
// path made absolute against base (which the caller has made absolute).
std::wstring complete(std::wstring_view path, std::wstring_view base);
// path joined with element, adding '/' unless one is there or path ends in ':'.
void append(std::wstring& path, std::wstring_view element);

// path inside scope (or equal to it), lexically; everything is inside an empty scope.
bool isWithin(std::wstring_view path, std::wstring_view scope);

} // namespace velorin::core::windows_path
