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
#include <string>
#include <string_view>
#include <vector>

namespace velorin::platform {

// The path without trailing separators and final "." elements; a root ("/", "C:/",
// a leading run of separators) stays whole, as do ".", "C:." and "..". A path with a
// ".." element has its "." and ".." elements resolved by the text alone, as Windows
// does: "dir/link/../x" is "dir/x", never the "x" beside the link's target. A ".."
// never climbs above a root; a relative path keeps the ".." elements it starts with.
template <typename Char>
std::basic_string<Char> win32PathMeaning(std::basic_string_view<Char> path)
{
   const auto isSeparator = [](Char c) { return c == Char('/') || c == Char('\\'); };
   const auto isDot = [](std::basic_string_view<Char> name) { return name.size() == 1 && name[0] == Char('.'); };
   const auto isDotDot = [](std::basic_string_view<Char> name) {
      return name.size() == 2 && name[0] == Char('.') && name[1] == Char('.');
   };

   // A first name ending in ':' (a drive) and the separators after it belong to the
   // root; so does a leading run of separators.
   std::size_t rootEnd = 0;
   while (rootEnd < path.size() && path[rootEnd] != Char(':') && !isSeparator(path[rootEnd]))
      ++rootEnd;
   rootEnd = rootEnd < path.size() && path[rootEnd] == Char(':') ? rootEnd + 1 : 0;
   while (rootEnd < path.size() && isSeparator(path[rootEnd]))
      ++rootEnd;

   // Each element after the root, with the separator that stands before it.
   struct Element
   {
      Char separator;
      std::basic_string_view<Char> name;
   };
   std::vector<Element> elements;
   bool hasParentElement = false;
   Char separator = Char();
   for (std::size_t i = rootEnd; i < path.size();)
   {
      if (isSeparator(path[i]))
      {
         separator = path[i++];
         continue;
      }
      std::size_t end = i;
      while (end < path.size() && !isSeparator(path[end]))
         ++end;
      const std::basic_string_view<Char> name = path.substr(i, end - i);
      hasParentElement = hasParentElement || isDotDot(name);
      elements.push_back({separator, name});
      separator = Char();
      i = end;
   }

   if (!hasParentElement)
   {
      // Only the trailing separators and final "." elements go.
      while (path.size() > rootEnd)
      {
         const std::size_t last = path.size() - 1;
         const bool finalDot = path[last] == Char('.') && last > 0 && isSeparator(path[last - 1]);
         if (!isSeparator(path[last]) && !finalDot)
            break;
         path.remove_suffix(1);
      }
      return std::basic_string<Char>(path);
   }

   std::vector<Element> kept;
   for (const Element& element : elements)
   {
      if (isDot(element.name))
         continue;
      if (isDotDot(element.name))
      {
         if (!kept.empty() && !isDotDot(kept.back().name))
            kept.pop_back();
         else if (rootEnd == 0)
            kept.push_back(element);
         continue;
      }
      kept.push_back(element);
   }

   std::basic_string<Char> meaning(path.substr(0, rootEnd));
   for (std::size_t i = 0; i < kept.size(); ++i)
   {
      if (i > 0)
         meaning += kept[i].separator;
      meaning += kept[i].name;
   }
   if (meaning.empty())
      meaning = Char('.');
   return meaning;
}

} // namespace velorin::platform
