// PathTextFuzzer.cpp: path text from outside, read lexically. The input's first byte
// picks a check over paths built from a small alphabet of roots, names, dots and
// separators, or over the input's own bytes:
//   - a child completed inside a base is accepted exactly when it is neither rooted
//     (separator first, drive, network name) nor outside the base once normalised, and
//     is then the base joined with the text; a refused child is the base itself;
//   - containment agrees with an element-by-element comparison written here, and the
//     normal form agrees with a plain one written here;
//   - normalising twice gives what normalising once gave, unless the first time made a
//     relative path rooted;
//   - "~" and "~/..." resolve against the home path given, other text against the
//     working directory.
// Nothing touches the file system but reading the working directory.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <unistd.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <shared_core/Error.hpp>
#include <shared_core/FilePath.hpp>

#include "FuzzCheck.hpp"

namespace {

using velorin::core::Error;
using velorin::core::FilePath;
using velorin::fuzz::check;

constexpr int kChildRefused = 2;

bool isSeparator(char c)
{
   return c == '/' || c == '\\';
}

std::string generic(std::string text)
{
   for (char& c : text)
   {
      if (c == '\\')
         c = '/';
   }
   return text;
}

// A path's elements in the Windows grammar: a root name (a drive "X:" or a network
// name "//server"), a root directory, the names between separator runs, and a final
// "." after a trailing separator.
struct Elements
{
   std::string rootName;
   bool rootDirectory = false;
   std::vector<std::string> names;

   bool operator==(const Elements& other) const
   {
      return rootName == other.rootName && rootDirectory == other.rootDirectory && names == other.names;
   }

   std::size_t rootCount() const
   {
      return (rootName.empty() ? 0 : 1) + (rootDirectory ? 1 : 0);
   }

   std::string text() const
   {
      std::string result = rootName + (rootDirectory ? "/" : "");
      for (std::size_t i = 0; i < names.size(); ++i)
         result += (i == 0 ? "" : "/") + names[i];
      return result;
   }
};

// Only the roots the alphabet below makes: a drive letter, or a network name.
Elements split(const std::string& path)
{
   Elements elements;
   std::size_t position = 0;
   if (path.size() > 2 && isSeparator(path[0]) && isSeparator(path[1]) && !isSeparator(path[2]))
   {
      position = 2;
      while (position < path.size() && !isSeparator(path[position]))
         ++position;
      elements.rootName = generic(path.substr(0, position));
   }
   else if (path.size() >= 2 && path[1] == ':')
   {
      elements.rootName = path.substr(0, 2);
      position = 2;
   }
   if (position < path.size() && isSeparator(path[position]))
   {
      elements.rootDirectory = true;
      while (position < path.size() && isSeparator(path[position]))
         ++position;
   }
   while (position < path.size())
   {
      std::size_t end = position;
      while (end < path.size() && !isSeparator(path[end]))
         ++end;
      elements.names.push_back(path.substr(position, end - position));
      while (end < path.size() && isSeparator(path[end]))
         ++end;
      if (end == path.size() && isSeparator(path.back()))
         elements.names.emplace_back(".");
      position = end;
   }
   return elements;
}

// "." dropped but as the very first or the last element, a name followed by ".."
// dropped with it; "." when nothing is left of a path that was not empty.
Elements normal(const Elements& path)
{
   Elements result;
   result.rootName = path.rootName;
   result.rootDirectory = path.rootDirectory;
   const std::size_t rootCount = path.rootCount();
   const std::size_t total = rootCount + path.names.size();
   for (std::size_t j = 0; j < path.names.size(); ++j)
   {
      const std::string& name = path.names[j];
      const std::size_t i = rootCount + j;
      if (name == "." && i != 0 && i + 1 != total)
         continue;
      if (name == ".." && !result.names.empty() && result.names.back() != "." && result.names.back() != "..")
      {
         result.names.pop_back();
         continue;
      }
      result.names.push_back(name);
   }
   if (total > 0 && result.rootCount() == 0 && result.names.empty())
      result.names.emplace_back(".");
   return result;
}

// As the path stores it; bytes that are no UTF-8 take one unit each.
std::size_t utf16Length(const std::string& text)
{
   return FilePath(text).getAbsolutePathW().size();
}

std::vector<std::string> sequence(const Elements& path)
{
   std::vector<std::string> all;
   if (!path.rootName.empty())
      all.push_back(path.rootName);
   if (path.rootDirectory)
      all.emplace_back("/");
   all.insert(all.end(), path.names.begin(), path.names.end());
   return all;
}

bool within(const Elements& path, const Elements& scope)
{
   if (path == scope)
      return true;
   const Elements normalPath = normal(path);
   const Elements normalScope = normal(scope);
   if (utf16Length(normalScope.text()) > utf16Length(normalPath.text()))
      return false;
   const std::vector<std::string> pathSequence = sequence(normalPath);
   const std::vector<std::string> scopeSequence = sequence(normalScope);
   for (std::size_t i = 0;; ++i)
   {
      if (i == scopeSequence.size() || scopeSequence[i] == ".")
         return true;
      if (i == pathSequence.size() || pathSequence[i] != scopeSequence[i])
         return false;
   }
}

Elements joined(const Elements& base, const Elements& relative)
{
   Elements result = base;
   result.names.insert(result.names.end(), relative.names.begin(), relative.names.end());
   return result;
}

template <std::size_t N>
std::string pick(FuzzedDataProvider& provider, const char* const (&choices)[N])
{
   return choices[provider.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
}

const char* const kNames[] = {"a", "b", "A", "ab", ".", "..", "...", ".a", "a.", "~", "x y", "\xc3\xa9", "\xf0\x9f\x98\x80"};
const char* const kSeparators[] = {"/", "\\", "//", "\\/"};
const char* const kAbsoluteRoots[] = {"C:/", "c:\\", "D:/", "//srv/", "\\\\srv\\"};
const char* const kAnyRoots[] = {"", "", "", "", "C:", "D:", "C:/", "D:\\", "/", "\\", "//srv/", "\\\\srv\\"};

std::string names(FuzzedDataProvider& provider, bool trailingSeparator)
{
   std::string text;
   const int count = provider.ConsumeIntegralInRange(0, 5);
   for (int i = 0; i < count; ++i)
      text += (i == 0 ? "" : pick(provider, kSeparators)) + pick(provider, kNames);
   if (trailingSeparator && count > 0 && provider.ConsumeBool())
      text += pick(provider, kSeparators);
   return text;
}

// An absolute path without a trailing separator, so that joining adds exactly one.
std::string absolutePath(FuzzedDataProvider& provider)
{
   return pick(provider, kAbsoluteRoots) + names(provider, false);
}

std::string anyPath(FuzzedDataProvider& provider)
{
   return pick(provider, kAnyRoots) + names(provider, true);
}

// Normalising a relative path can bring a later name holding ':' to the front, where
// it reads as a root name ("a/../b:./x" gives "b:./x", whose normal form is "b:x"), as
// in the grammar the path follows; elsewhere a normal form is its own normal form.
void checkNormal(const std::string& text)
{
   const std::string once = FilePath(text).getLexicallyNormalPath();
   if (FilePath::isRootPath(once) && !FilePath::isRootPath(FilePath(text).getAbsolutePath()))
      return;
   check(FilePath(once).getLexicallyNormalPath() == once);
}

// The text is read as a path is: up to its first NUL, malformed UTF-8 replaced.
void checkChild(const std::string& baseText, const std::string& text)
{
   const FilePath base(baseText);
   FilePath child("not set");
   const Error error = base.completeChildPath(text, child);

   if (error)
   {
      check(error.getCode() == kChildRefused && child == base);
      check(base.completeChildPath(text) == base);
   }
   else
   {
      check(child == (text.empty() ? base : base.completePath(text)));
      check(child.isWithin(base));
   }

   const std::string pathText = FilePath(text).getAbsolutePath();
   const bool rootedText =
      !pathText.empty() && (isSeparator(pathText[0]) || (pathText.size() >= 2 && pathText[1] == ':'));
   if (rootedText)
   {
      check(error.isError());
      return;
   }
   const Elements expected = joined(split(baseText), split(pathText));
   const bool inside = within(expected, split(baseText));
   // A ':' further on may start a root name (as in "ab:c"); such text may be refused.
   if (pathText.find(':') == std::string::npos || !inside)
      check(error.isError() == !inside);
   if (!error)
      check(split(child.getAbsolutePath()) == expected);
}

void checkContainment(const std::string& pathText, const std::string& scopeText)
{
   const FilePath path(pathText);
   const FilePath scope(scopeText);
   check(path.isWithin(scope) == within(split(pathText), split(scopeText)));
   check(path.isWithin(path) && path.isWithin(FilePath()));
   check(path.getLexicallyNormalPath() == (pathText.empty() ? std::string() : normal(split(pathText)).text()));
   checkNormal(pathText);
}

const std::string& workingDirectory()
{
   static const std::string s_directory = [] {
      std::vector<char> buffer(4096);
      check(::getcwd(buffer.data(), buffer.size()) != nullptr);
      return std::string(buffer.data());
   }();
   return s_directory;
}

void checkAlias(const std::string& homeText, const std::string& text)
{
   const FilePath home(homeText);
   const FilePath resolved = FilePath::resolveAliasedPath(text, home);
   if (text.empty() || text == "~")
   {
      check(resolved == home && resolved.getAbsolutePath() == home.getAbsolutePath());
   }
   else if (text.compare(0, 2, "~/") == 0)
   {
      check(resolved.getAbsolutePath() == FilePath(home.getAbsolutePath() + text.substr(1)).getAbsolutePath());
      check(resolved.getAbsolutePath().compare(0, home.getAbsolutePath().size(), home.getAbsolutePath()) == 0);
   }
   else
   {
      check(resolved == FilePath(workingDirectory()).completePath(text));
      // A full path on a drive stands as it is; a first character that is no drive
      // letter (as in "::/a") names no drive, and only the completion above holds.
      const std::string pathText = FilePath(text).getAbsolutePath();
      const char drive = pathText.empty() ? '\0' : static_cast<char>(pathText[0] | 0x20);
      if (pathText.size() > 2 && drive >= 'a' && drive <= 'z' && pathText[1] == ':' && isSeparator(pathText[2]))
         check(resolved.getAbsolutePath() == pathText);
   }
}

std::string aliasText(FuzzedDataProvider& provider)
{
   switch (provider.ConsumeIntegralInRange(0, 5))
   {
   case 0:
      return "~";
   case 1:
      return "";
   case 2:
      return "~/" + names(provider, true);
   case 3:
      return "~\\" + names(provider, true);
   case 4:
      return anyPath(provider);
   default:
      return provider.ConsumeRandomLengthString(64);
   }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   if (size == 0)
      return 0;
   FuzzedDataProvider provider(data + 1, size - 1);
   switch (data[0] % 5)
   {
   case 0:
   {
      const std::string base = absolutePath(provider);
      checkChild(base, anyPath(provider));
      break;
   }
   case 1:
   {
      const std::string base = absolutePath(provider);
      const std::string text = provider.ConsumeRemainingBytesAsString();
      checkChild(base, text);
      checkNormal(text);
      break;
   }
   case 2:
   {
      const std::string path = anyPath(provider);
      checkContainment(path, anyPath(provider));
      break;
   }
   case 3:
   {
      const std::string home = absolutePath(provider);
      checkAlias(home, aliasText(provider));
      break;
   }
   default:
   {
      const std::string text = provider.ConsumeRemainingBytesAsString();
      checkNormal(text);
      const FilePath path(text);
      check(path.isWithin(path) && path.isWithin(FilePath()));
      break;
   }
   }
   return 0;
}
