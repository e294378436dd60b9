// Win32PathMeaning.hpp: the entry a path names when Windows acts on it.
//
// Windows drops trailing separators and final "." elements before it acts, so a
// trailing separator never leads through a final link: "dir/link/" names the link
// itself, "dir/d/." the folder d. POSIX and Boost read such paths otherwise (through
// the link, or as the folder's contents), so every path is given this meaning before
// either sees it.
//
//   win32PathMeaning(std::wstring_view(L"dir\\link\\.")) == L"dir\\link"
#pragma once

#include <cstddef>
#include <string_view>

namespace velorin::platform {

// The path without trailing separators and final "." elements; a root ("/", "C:/",
// a leading run of separators) stays whole, as do ".", "C:." and "..".
template <typename Char>
std::basic_string_view<Char> win32PathMeaning(std::basic_string_view<Char> path)
{
   const auto isSeparator = [](Char c) { return c == Char('/') || c == Char('\\'); };

   // A first name ending in ':' (a drive) and the separators after it belong to the
   // root; so does a leading run of separators.
   std::size_t rootEnd = 0;
   while (rootEnd < path.size() && path[rootEnd] != Char(':') && !isSeparator(path[rootEnd]))
      ++rootEnd;
   rootEnd = rootEnd < path.size() && path[rootEnd] == Char(':') ? rootEnd + 1 : 0;
   while (rootEnd < path.size() && isSeparator(path[rootEnd]))
      ++rootEnd;

   while (path.size() > rootEnd)
   {
      const std::size_t last = path.size() - 1;
      const bool finalDot = path[last] == Char('.') && last > 0 && isSeparator(path[last - 1]);
      if (!isSeparator(path[last]) && !finalDot)
         break;
      path.remove_suffix(1);
   }
   return path;
}

} // namespace velorin::platform
