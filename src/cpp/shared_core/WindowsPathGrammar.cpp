// WindowsPathGrammar.cpp: root names, elements, parents, normal and relative forms
// and completion of Windows paths, independent of the host's own path rules.
#include "WindowsPathGrammar.hpp"

#include <algorithm>
#include <vector>

namespace velorin::core::windows_path {
namespace {

constexpr std::wstring_view kDot = L".";
constexpr std::wstring_view kDotDot = L"..";
constexpr std::wstring_view kRootDirectory = L"/";

// The grammar's reading of a name or of a path's end needs no more than its units, so
// it reads plain ASCII text held as bytes as well as wide text.
template <typename Unit>
constexpr Unit kDotUnit[] = {Unit('.')};
template <typename Unit>
constexpr Unit kSlashUnit[] = {Unit('/')};

template <typename Unit>
bool isDotOrDotDot(std::basic_string_view<Unit> name)
{
   return (name.size() == 1 || name.size() == 2) && name[0] == Unit('.') && name.back() == Unit('.');
}

template <typename Unit>
RootParts splitRootOf(std::basic_string_view<Unit> path)
{
   RootParts root;
   const std::size_t size = path.size();
   if (size == 0)
      return root;

   if (size >= 2 && isSeparator(path[0]) && isSeparator(path[1]) && (size == 2 || !isSeparator(path[2])))
   {
      // Exactly two leading separators: a network name up to the next separator.
      std::size_t end = 2;
      while (end < size && !isSeparator(path[end]))
         ++end;
      root.nameSize = end;
   }
   else if (!isSeparator(path[0]))
   {
      // A first name ending in ':' is a root name, as a drive is.
      std::size_t end = 0;
      while (end < size && path[end] != Unit(':') && !isSeparator(path[end]))
         ++end;
      if (end < size && path[end] == Unit(':'))
         root.nameSize = end + 1;
   }

   std::size_t position = root.nameSize;
   if (position < size && isSeparator(path[position]))
   {
      root.hasDirectory = true;
      while (position < size && isSeparator(path[position]))
         ++position;
   }
   root.relativeStart = position;
   return root;
}

template <typename Unit>
std::basic_string_view<Unit> filenameOf(std::basic_string_view<Unit> path)
{
   if (path.empty())
      return path;
   const RootParts root = splitRootOf(path);
   const std::size_t size = path.size();
   if (size > root.relativeStart)
   {
      if (isSeparator(path[size - 1]))
         return std::basic_string_view<Unit>(kDotUnit<Unit>, 1);
      std::size_t start = size;
      while (start > root.relativeStart && !isSeparator(path[start - 1]))
         --start;
      return path.substr(start);
   }
   if (root.hasDirectory)
      return std::basic_string_view<Unit>(kSlashUnit<Unit>, 1);
   return path.substr(0, root.nameSize);
}

template <typename Unit>
std::basic_string_view<Unit> extensionOf(std::basic_string_view<Unit> filename)
{
   if (isDotOrDotDot(filename))
      return std::basic_string_view<Unit>();
   const std::size_t dot = filename.rfind(Unit('.'));
   return dot == std::basic_string_view<Unit>::npos ? std::basic_string_view<Unit>() : filename.substr(dot);
}

template <typename Unit>
std::basic_string_view<Unit> stemOf(std::basic_string_view<Unit> filename)
{
   if (isDotOrDotDot(filename))
      return filename;
   const std::size_t dot = filename.rfind(Unit('.'));
   return dot == std::basic_string_view<Unit>::npos ? filename : filename.substr(0, dot);
}

template <typename Unit>
std::basic_string_view<Unit> parentPathOf(std::basic_string_view<Unit> path)
{
   const RootParts root = splitRootOf(path);
   std::size_t end = path.size();
   if (end > root.relativeStart)
   {
      if (isSeparator(path[end - 1]))
      {
         // The last element is the "." of a trailing separator.
         while (end > root.relativeStart && isSeparator(path[end - 1]))
            --end;
         return path.substr(0, end);
      }
      std::size_t cut = end;
      while (cut > root.relativeStart && !isSeparator(path[cut - 1]))
         --cut;
      while (cut > root.relativeStart && isSeparator(path[cut - 1]))
         --cut;
      if (cut > root.relativeStart)
         return path.substr(0, cut);
      // Only the root is left: keep one separator of the root directory.
      return path.substr(0, root.nameSize + (root.hasDirectory ? 1 : 0));
   }
   // A bare root: C:/ gives C:, / and C: give nothing.
   return root.hasDirectory ? path.substr(0, root.nameSize) : std::basic_string_view<Unit>();
}

// Elements as UTF-16 strings; only a network name holds separators, and \\server
// is //server.
int compareElements(std::wstring_view a, std::wstring_view b)
{
   const std::size_t common = std::min(a.size(), b.size());
   for (std::size_t i = 0; i < common; ++i)
   {
      const wchar_t left = a[i] == L'\\' ? L'/' : a[i];
      const wchar_t right = b[i] == L'\\' ? L'/' : b[i];
      if (left != right)
         return left < right ? -1 : 1;
   }
   return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool sameElement(std::wstring_view a, std::wstring_view b)
{
   return a.size() == b.size() && compareElements(a, b) == 0;
}

std::vector<std::wstring_view> elementsOf(std::wstring_view path)
{
   std::vector<std::wstring_view> elements;
   ElementCursor cursor(path);
   std::wstring_view element;
   while (cursor.next(element))
      elements.push_back(element);
   return elements;
}

} // namespace

ElementCursor::ElementCursor(std::wstring_view path)
   : path_(path), root_(splitRoot(path)), position_(root_.relativeStart)
{
}

bool ElementCursor::next(std::wstring_view& element)
{
   switch (stage_)
   {
      case Stage::RootName:
         stage_ = Stage::RootDirectory;
         if (root_.nameSize > 0)
         {
            element = path_.substr(0, root_.nameSize);
            return true;
         }
         [[fallthrough]];
      case Stage::RootDirectory:
         stage_ = Stage::Names;
         if (root_.hasDirectory)
         {
            element = kRootDirectory;
            return true;
         }
         [[fallthrough]];
      case Stage::Names:
      {
         const std::size_t size = path_.size();
         if (position_ >= size)
         {
            stage_ = Stage::Done;
            return false;
         }
         std::size_t end = position_;
         while (end < size && !isSeparator(path_[end]))
            ++end;
         element = path_.substr(position_, end - position_);
         std::size_t nextName = end;
         while (nextName < size && isSeparator(path_[nextName]))
            ++nextName;
         if (nextName == size)
            stage_ = nextName > end ? Stage::TrailingDot : Stage::Done;
         position_ = nextName;
         return true;
      }
      case Stage::TrailingDot:
         stage_ = Stage::Done;
         element = kDot;
         return true;
      case Stage::Done:
         break;
   }
   return false;
}

void append(std::wstring& path, std::wstring_view element)
{
   if (element.empty())
      return;
   if (!isSeparator(element.front()) && !path.empty() && path.back() != L':' && !isSeparator(path.back()))
      path += L'/';
   path.append(element);
}

int compare(std::wstring_view a, std::wstring_view b)
{
   if (a == b)
      return 0;
   ElementCursor left(a);
   ElementCursor right(b);
   std::wstring_view leftElement;
   std::wstring_view rightElement;
   while (true)
   {
      const bool haveLeft = left.next(leftElement);
      const bool haveRight = right.next(rightElement);
      if (!haveLeft || !haveRight)
         return haveLeft ? 1 : (haveRight ? -1 : 0);
      if (const int order = compareElements(leftElement, rightElement); order != 0)
         return order;
   }
}

std::wstring complete(std::wstring_view path, std::wstring_view base)
{
   if (path.empty())
      return std::wstring(base);

   const RootParts pathRoot = splitRoot(path);
   const RootParts baseRoot = splitRoot(base);
   std::wstring result;
   if (pathRoot.nameSize > 0)
   {
      if (pathRoot.hasDirectory)
         return std::wstring(path);
      // C:x: its drive, then the base's folders, then its own names.
      result = path.substr(0, pathRoot.nameSize);
      if (baseRoot.hasDirectory)
         append(result, kRootDirectory);
      append(result, base.substr(baseRoot.relativeStart));
      append(result, path.substr(pathRoot.relativeStart));
   }
   else if (pathRoot.hasDirectory)
   {
      // \x: the root directory of the base's drive.
      result = base.substr(0, baseRoot.nameSize);
      append(result, path);
   }
   else
   {
      result = base;
      append(result, path);
   }
   return result;
}

std::wstring_view extension(std::wstring_view filename)
{
   return extensionOf(filename);
}

std::string_view extension(std::string_view filename)
{
   return extensionOf(filename);
}

std::wstring_view filename(std::wstring_view path)
{
   return filenameOf(path);
}

std::string_view filename(std::string_view path)
{
   return filenameOf(path);
}

bool hasRootDirectory(std::wstring_view path)
{
   return splitRoot(path).hasDirectory;
}

bool isAbsolute(std::wstring_view path)
{
   const RootParts root = splitRoot(path);
   return root.nameSize > 0 && root.hasDirectory;
}

bool isWithin(std::wstring_view path, std::wstring_view scope)
{
   if (compare(path, scope) == 0)
      return true;

   const std::wstring normalPath = lexicallyNormal(path);
   const std::wstring normalScope = lexicallyNormal(scope);
   if (normalScope.size() > normalPath.size())
      return false;

   ElementCursor pathCursor(normalPath);
   ElementCursor scopeCursor(normalScope);
   std::wstring_view pathElement;
   std::wstring_view scopeElement;
   while (true)
   {
      if (!scopeCursor.next(scopeElement) || scopeElement == kDot)
         return true;
      if (!pathCursor.next(pathElement) || !sameElement(pathElement, scopeElement))
         return false;
   }
}

std::wstring lexicallyNormal(std::wstring_view path)
{
   if (path.empty())
      return std::wstring();

   const RootParts root = splitRoot(path);
   const std::size_t rootElements = (root.nameSize > 0 ? 1 : 0) + (root.hasDirectory ? 1 : 0);
   const std::vector<std::wstring_view> elements = elementsOf(path);

   std::vector<std::wstring_view> kept;
   kept.reserve(elements.size());
   for (std::size_t i = 0; i < elements.size(); ++i)
   {
      const std::wstring_view element = elements[i];
      if (element == kDot && i != 0 && i + 1 != elements.size())
         continue;
      // ".." takes away the name before it; never a root, ".", or another "..".
      if (element == kDotDot && kept.size() > rootElements && kept.back() != kDot && kept.back() != kDotDot)
      {
         kept.pop_back();
         continue;
      }
      kept.push_back(element);
   }
   if (kept.empty())
      return std::wstring(kDot);

   std::wstring result;
   result.reserve(path.size());
   std::size_t i = 0;
   if (root.nameSize > 0)
      result.append(kept[i++]);
   if (root.hasDirectory)
      result.append(kept[i++]);
   for (const std::size_t firstName = i; i < kept.size(); ++i)
   {
      if (i > firstName)
         result += L'/';
      result.append(kept[i]);
   }
   return result;
}

std::wstring lexicallyRelative(std::wstring_view path, std::wstring_view base)
{
   const std::vector<std::wstring_view> pathElements = elementsOf(path);
   const std::vector<std::wstring_view> baseElements = elementsOf(base);

   std::size_t common = 0;
   while (common < pathElements.size() && common < baseElements.size() &&
          sameElement(pathElements[common], baseElements[common]))
      ++common;
   if (common == 0)
      return std::wstring();
   if (common == pathElements.size() && common == baseElements.size())
      return std::wstring(kDot);

   // Each name left in the base is one level up; "." is none and ".." one fewer.
   long levels = 0;
   for (std::size_t i = common; i < baseElements.size(); ++i)
   {
      if (baseElements[i] == kDotDot)
         --levels;
      else if (!baseElements[i].empty() && baseElements[i] != kDot)
         ++levels;
   }
   if (levels < 0)
      return std::wstring();
   if (levels == 0 && common == pathElements.size())
      return std::wstring(kDot);

   std::wstring result;
   for (; levels > 0; --levels)
      append(result, kDotDot);
   for (std::size_t i = common; i < pathElements.size(); ++i)
      append(result, pathElements[i]);
   return result;
}

std::wstring_view parentPath(std::wstring_view path)
{
   return parentPathOf(path);
}

std::string_view parentPath(std::string_view path)
{
   return parentPathOf(path);
}

RootParts splitRoot(std::wstring_view path)
{
   return splitRootOf(path);
}

RootParts splitRoot(std::string_view path)
{
   return splitRootOf(path);
}

std::wstring_view stem(std::wstring_view filename)
{
   return stemOf(filename);
}

std::string_view stem(std::string_view filename)
{
   return stemOf(filename);
}

} // namespace velorin::core::windows_path
