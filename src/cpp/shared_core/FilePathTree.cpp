// FilePathTree.cpp: listing a folder, walking a tree, and copying or moving a tree.
#include <shared_core/FilePath.hpp>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <boost/filesystem.hpp>

#include <platform/Win32Api.hpp>

#include <shared_core/Logger.hpp>

#include "PathSupport.hpp"
#include "WindowsPathGrammar.hpp"

namespace velorin::core {

using namespace detail;

namespace grammar = windows_path;

namespace {

// True when target names the tree itself or a place below it, links resolved.
bool isInsideTree(const FilePath& tree, const FilePath& target)
{
   boost::system::error_code ec;
   const boost::filesystem::path realTree = boost::filesystem::weakly_canonical(fsPath(tree), ec);
   if (ec)
      return false;
   const boost::filesystem::path realTarget = boost::filesystem::weakly_canonical(fsPath(target), ec);
   if (ec)
      return false;
   return FilePath(platform::wideFromBoostPath(realTarget)).isWithin(FilePath(platform::wideFromBoostPath(realTree)));
}

Error targetInsideSourceError(const FilePath& source, const FilePath& target, const ErrorLocation& location)
{
   Error error = systemError(ERROR_INVALID_PARAMETER, "The target lies inside the source tree", location);
   error.addProperty("path", source);
   error.addProperty("target-path", target);
   return error;
}

// The path type reads a backslash as a separator, as Windows does, so a name that
// holds one would name another entry one folder down.
bool canCarryName(const std::wstring& name)
{
   return name.find(L'\\') == std::wstring::npos;
}

// "path" holds the entry's own text, as no path of this type can name it.
Error nameNotCarriedError(const boost::filesystem::path& entry, const ErrorLocation& location)
{
   return systemErrorWithPath(ERROR_INVALID_NAME, toUtf8(platform::wideFromBoostPath(entry), false), location);
}

// A listed entry's name read straight from its native text, when it is plain ASCII
// without '\\': every conversion widens such a name unit for unit, and the path type
// carries it. Empty for any other name, which takes the converting way.
template <typename Char>
std::basic_string_view<Char> plainNameOf(const std::basic_string<Char>& native)
{
   constexpr auto kPreferred = static_cast<Char>(boost::filesystem::path::preferred_separator);
   std::size_t start = native.size();
   while (start > 0 && native[start - 1] != Char('/') && native[start - 1] != kPreferred)
   {
      const auto unit = static_cast<std::uint32_t>(native[start - 1]);
      if (unit - 1 >= 0x7F || unit == '\\')
         return {};
      --start;
   }
   return std::basic_string_view<Char>(native).substr(start);
}

// Walks the tree below folder, each folder before its contents. An entry whose name
// the path type cannot carry is left out with everything below it, and its error
// handed to leftOut; the walk goes on.
Error walkTree(const FilePath& folder,
               const FilePath::RecursiveIterationFunction& visit,
               const std::function<void(const Error&)>& leftOut,
               const ErrorLocation& location)
{
   if (!folder.exists())
      return notFoundError(folder, location);

   try
   {
      boost::system::error_code ec;
      boost::filesystem::recursive_directory_iterator it(fsPath(folder), ec);
      const boost::filesystem::recursive_directory_iterator end;
      while (!ec && it != end)
      {
         if (!canCarryName(platform::wideFromBoostPath(it->path().filename())))
         {
            it.disable_recursion_pending();
            leftOut(nameNotCarriedError(it->path(), location));
         }
         else if (!visit(it.depth(), FilePath(platform::wideFromBoostPath(it->path()))))
         {
            return Success();
         }
         it.increment(ec);
      }
      if (ec)
         return filesystemError(ec, folder, location);
   }
   catch (const boost::filesystem::filesystem_error& e)
   {
      return filesystemError(e.code(), folder, location);
   }
   return Success();
}

// Copies every entry of the tree below target, logging and skipping the entries that
// fail or cannot be named; firstEntryError receives the first of them. Returns the
// walk's own result.
Error copyTree(const FilePath& source, const FilePath& target, Error& firstEntryError)
{
   Error error = target.ensureDirectory();
   if (error)
      return error;

   const auto skip = [&](const Error& entryError) {
      log::logError(entryError);
      if (!firstEntryError)
         firstEntryError = entryError;
   };
   return walkTree(
      source,
      [&](int, const FilePath& entry) {
         const FilePath destination = target.completePath(entry.getRelativePath(source));
         Error entryError = entry.isDirectory() ? destination.ensureDirectory() : entry.copy(destination);
         if (entryError)
            skip(entryError);
         return true;
      },
      skip,
      ERROR_LOCATION);
}

} // namespace

Error FilePath::copyDirectoryRecursive(const FilePath& targetPath) const
{
   if (isInsideTree(*this, targetPath))
      return targetInsideSourceError(*this, targetPath, ERROR_LOCATION);
   Error firstEntryError;
   return copyTree(*this, targetPath, firstEntryError);
}

Error FilePath::getChildren(std::vector<FilePath>& filePaths) const
{
   if (!exists())
      return notFoundError(*this, ERROR_LOCATION);

   // Every child starts with the folder in generic form and the separator that
   // appending a name puts after it; a name never starts with a separator.
   std::wstring prefix = getAbsolutePathW();
   std::replace(prefix.begin(), prefix.end(), L'\\', L'/');
   grammar::append(prefix, L"-");
   prefix.pop_back();
   const bool prefixIsPlainAscii = isPlainAscii(prefix);
   const std::string narrowPrefix = prefixIsPlainAscii ? std::string(prefix.begin(), prefix.end()) : std::string();
   try
   {
      boost::system::error_code ec;
      boost::filesystem::directory_iterator it(fsPath(*this), ec);
      const boost::filesystem::directory_iterator end;
      while (!ec && it != end)
      {
         const auto plainName = plainNameOf(it->path().native());
         if (!plainName.empty() && prefixIsPlainAscii)
         {
            filePaths.push_back(FilePath(Impl::make<char>(narrowPrefix.size() + plainName.size(), [&](char* out) {
               std::copy(plainName.begin(), plainName.end(), std::copy(narrowPrefix.begin(), narrowPrefix.end(), out));
               return true;
            })));
         }
         else if (!plainName.empty())
         {
            filePaths.push_back(FilePath(Impl::make<wchar_t>(prefix.size() + plainName.size(), [&](wchar_t* out) {
               std::copy(plainName.begin(), plainName.end(), std::copy(prefix.begin(), prefix.end(), out));
               return false;
            })));
         }
         else
         {
            const std::wstring name = platform::wideFromBoostPath(it->path().filename());
            if (canCarryName(name))
               filePaths.push_back(FilePath(Impl::make(prefix + name)));
            else
               log::logError(nameNotCarriedError(it->path(), ERROR_LOCATION), ERROR_LOCATION);
         }
         it.increment(ec);
      }
      if (ec)
         return filesystemError(ec, *this, ERROR_LOCATION);
   }
   catch (const boost::filesystem::filesystem_error& e)
   {
      return filesystemError(e.code(), *this, ERROR_LOCATION);
   }
   return Success();
}

Error FilePath::getChildrenRecursive(const RecursiveIterationFunction& iterationFunction) const
{
   const ErrorLocation location = ERROR_LOCATION;
   return walkTree(
      *this, iterationFunction, [&](const Error& error) { log::logError(error, location); }, location);
}

std::uint64_t FilePath::getSizeRecursive() const
{
   if (!isDirectory())
      return getSize();
   std::uint64_t total = 0;
   Error error = getChildrenRecursive([&total](int, const FilePath& entry) {
      if (!entry.isDirectory())
         total += entry.getSize();
      return true;
   });
   if (error)
      log::logError(error);
   return total;
}

Error FilePath::move(const FilePath& targetPath, MoveType type) const
{
   // Checked first: across volumes the fallback would copy the tree into itself.
   if (isDirectory() && !isEquivalentTo(targetPath) && isInsideTree(*this, targetPath))
      return targetInsideSourceError(*this, targetPath, ERROR_LOCATION);

   if (::MoveFileExW(win32Text(*this).c_str(),
                     win32Text(targetPath).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
      return Success();

   Error error = lastSystemError(ERROR_LOCATION);
   if (type == MoveCrossDevice && isEquivalent(error, boost::system::errc::cross_device_link))
      return moveAcrossDevice(targetPath);
   error.addProperty("path", *this);
   error.addProperty("target-path", targetPath);
   return error;
}

Error FilePath::moveAcrossDevice(const FilePath& targetPath) const
{
   // Under the name of the entry itself: "tree/" arrives as "tree", not as ".".
   const FilePath destination =
      targetPath.isDirectory() ? targetPath.completePath(FilePath(win32Text(*this)).getFilename()) : targetPath;

   if (isDirectory())
   {
      // The source goes only when every entry arrived; the first failure says why not.
      Error firstEntryError;
      Error error = copyTree(*this, destination, firstEntryError);
      if (error)
         return error;
      if (firstEntryError)
         return firstEntryError;
   }
   else
   {
      Error error = copy(destination);
      if (error)
         return error;
   }

   Error error = remove();
   if (error)
      log::logError(error);
   return Success();
}

} // namespace velorin::core
