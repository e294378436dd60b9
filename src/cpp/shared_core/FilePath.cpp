// FilePath.cpp: the path value and its lexical members: construction, text forms,
// comparison, the parts of a name, parent and relative paths, completion and the home
// alias.
//
// The grammar is WindowsPathGrammar's, on the stored text: bytes for plain ASCII, UTF-16
// units otherwise; members that need more than a name or a parent widen the bytes.
// File-system work hands the generic form (UTF-8, '/') to Boost.Filesystem, or the
// stored text to the Windows file API; errors from either carry Win32 numbers in the
// system category.
#include <shared_core/FilePath.hpp>

#include <algorithm>
#include <cstdint>
#include <locale>
#include <ostream>
#include <string_view>

#include <boost/filesystem/operations.hpp>

#include <platform/Win32Api.hpp>

#include <shared_core/Logger.hpp>

#include "PathSupport.hpp"
#include "WindowsPathGrammar.hpp"

namespace velorin::core {

using namespace detail;

namespace grammar = windows_path;

namespace {

// Plain ASCII text is its own UTF-8.
std::string genericAsciiText(std::string_view text)
{
   std::string generic(text);
   std::replace(generic.begin(), generic.end(), '\\', '/');
   return generic;
}

std::string lowerCase(std::string text)
{
   const auto& ctype = std::use_facet<std::ctype<char>>(std::locale());
   for (char& c : text)
      c = ctype.tolower(c);
   return text;
}

// The base made absolute, when it lacks a root name or a root directory, against the
// working directory.
Error absoluteBase(std::wstring_view base, std::wstring& absolute, const ErrorLocation& location)
{
   if (grammar::isAbsolute(base))
   {
      absolute.assign(base);
      return Success();
   }
   boost::system::error_code ec;
   const boost::filesystem::path workingDirectory = boost::filesystem::current_path(ec);
   if (ec)
   {
      // A rooted base needs only the drive of the working directory, and Windows always
      // knows its current drive; a working directory that vanished has none to give.
      if (!grammar::hasRootDirectory(base))
         return filesystemError(ec, location);
      absolute.assign(base);
      return Success();
   }
   absolute = grammar::complete(base, platform::wideFromBoostPath(workingDirectory));
   return Success();
}

} // namespace

std::shared_ptr<FilePath::Impl> FilePath::Impl::makeGeneric(std::string_view text)
{
   return make<char>(text.size(), [&](char* out) {
      std::replace_copy(text.begin(), text.end(), out, '\\', '/');
      return true;
   });
}

std::shared_ptr<FilePath::Impl> FilePath::Impl::makeGeneric(std::wstring_view text)
{
   // The units stay as they are, unpaired surrogates too: through the UTF-8 form one
   // that stands for no byte would become U+FFFD and name another entry.
   std::uint32_t outsideAscii = 0;
   for (const wchar_t unit : text)
      outsideAscii |= static_cast<std::uint32_t>(unit) - 1 >= 0x7F ? 1u : 0u;
   if (outsideAscii != 0)
   {
      return make<wchar_t>(text.size(), [&](wchar_t* out) {
         std::replace_copy(text.begin(), text.end(), out, L'\\', L'/');
         return false;
      });
   }
   return make<char>(text.size(), [&](char* out) {
      std::transform(text.begin(), text.end(), out, [](wchar_t unit) {
         return static_cast<char>(unit == L'\\' ? L'/' : unit);
      });
      return true;
   });
}

FilePath::FilePath() : impl_(Impl::make(std::wstring_view()))
{
}

FilePath::FilePath(const std::string& absolutePath)
{
   // Plain ASCII, the common case, is stored while it is checked; anything else is
   // converted afresh.
   bool plainAscii = true;
   impl_ = Impl::make<char>(absolutePath.size(), [&](char* out) {
      const TextScan scan = scanText(absolutePath, out);
      plainAscii = scan.plainAscii;
      return scan.plainAscii && !scan.hasBackslash;
   });
   if (!plainAscii)
      impl_ = Impl::make(toWide(absolutePath));
}

FilePath::FilePath(const std::wstring& absolutePath) : impl_(Impl::make(absolutePath))
{
}

FilePath::FilePath(std::shared_ptr<Impl> impl) : impl_(std::move(impl))
{
}

Error FilePath::complete(const std::string& path, std::wstring& completedPath, const ErrorLocation& location) const
{
   return impl_->withWideText([&](std::wstring_view text) -> Error {
      if (grammar::isAbsolute(text))
      {
         completedPath = grammar::complete(toWide(path), text);
         return Success();
      }
      std::wstring base;
      Error error = absoluteBase(text, base, location);
      if (error)
         return error;
      completedPath = grammar::complete(toWide(path), base);
      return Success();
   });
}

Error FilePath::completeChildPath(const std::string& path, FilePath& childPath) const
{
   if (path.empty())
   {
      childPath = *this;
      return Success();
   }

   const grammar::RootParts root = grammar::splitRoot(toWide(path));
   if (!root.hasDirectory && root.nameSize == 0)
   {
      std::wstring completed;
      if (!complete(path, completed, ERROR_LOCATION))
      {
         FilePath candidate = fromComputedPath(completed);
         if (candidate.isWithin(*this))
         {
            childPath = candidate;
            return Success();
         }
      }
   }

   childPath = *this;
   Error error = systemError(ERROR_FILE_NOT_FOUND, ERROR_LOCATION);
   error.addProperty("path", *this);
   error.addProperty("path", path);
   return error;
}

FilePath FilePath::completeChildPath(const std::string& path) const
{
   FilePath childPath;
   Error error = completeChildPath(path, childPath);
   if (error)
      log::logError(error);
   return childPath;
}

FilePath FilePath::completePath(const std::string& path) const
{
   std::wstring completed;
   Error error = complete(path, completed, ERROR_LOCATION);
   if (error)
   {
      error.addProperty("path", *this);
      error.addProperty("path", path);
      log::logError(error);
      return *this;
   }
   return fromComputedPath(completed);
}

std::string FilePath::createAliasedPath(const FilePath& path, const FilePath& userHomePath)
{
   // Every path lies within an empty scope, so an alias would drop the whole path.
   if (userHomePath.isEmpty())
      return path.getAbsolutePath();
   if (path == userHomePath)
      return detail::kHomeAlias;
   if (path.isWithin(userHomePath))
      return detail::kHomePathAlias + path.getRelativePath(userHomePath);
   return path.getAbsolutePath();
}

FilePath FilePath::fromComputedPath(std::wstring_view text)
{
   return FilePath(Impl::makeGeneric(text));
}

std::string FilePath::getAbsolutePath() const
{
   if (impl_->genericAscii)
      return std::string(impl_->narrowText());
   if (impl_->narrow)
      return genericAsciiText(impl_->narrowText());
   return toGenericUtf8(impl_->wideText());
}

std::string FilePath::getAbsolutePathNative() const
{
   if (impl_->narrow)
      return std::string(impl_->narrowText());
   return toUtf8(impl_->wideText(), false);
}

std::wstring FilePath::getAbsolutePathW() const
{
   if (impl_->narrow)
      return std::wstring(impl_->narrowText().begin(), impl_->narrowText().end());
   return std::wstring(impl_->wideText());
}

std::string FilePath::getExtension() const
{
   if (impl_->narrow)
      return genericAsciiText(grammar::extension(grammar::filename(impl_->narrowText())));
   return toGenericUtf8(grammar::extension(grammar::filename(impl_->wideText())));
}

std::string FilePath::getExtensionLowerCase() const
{
   return lowerCase(getExtension());
}

std::string FilePath::getFilename() const
{
   if (impl_->narrow)
      return genericAsciiText(grammar::filename(impl_->narrowText()));
   return toGenericUtf8(grammar::filename(impl_->wideText()));
}

std::string FilePath::getLexicallyNormalPath() const
{
   if (isEmpty())
      return std::string();
   return impl_->withWideText([](std::wstring_view text) { return toGenericUtf8(grammar::lexicallyNormal(text)); });
}

FilePath FilePath::getParent() const
{
   if (impl_->narrow)
      return FilePath(Impl::makeGeneric(grammar::parentPath(impl_->narrowText())));
   return fromComputedPath(grammar::parentPath(impl_->wideText()));
}

std::string FilePath::getRelativePath(const FilePath& parentPath) const
{
   return Impl::withWideTexts(*impl_, *parentPath.impl_, [](std::wstring_view path, std::wstring_view parent) {
      const std::wstring normalPath = path.empty() ? std::wstring() : grammar::lexicallyNormal(path);
      const std::wstring normalParent = parent.empty() ? std::wstring() : grammar::lexicallyNormal(parent);
      return toGenericUtf8(grammar::lexicallyRelative(normalPath, normalParent));
   });
}

std::string FilePath::getStem() const
{
   if (impl_->narrow)
      return genericAsciiText(grammar::stem(grammar::filename(impl_->narrowText())));
   return toGenericUtf8(grammar::stem(grammar::filename(impl_->wideText())));
}

bool FilePath::hasExtension(const std::string& extension) const
{
   return getExtension() == extension;
}

bool FilePath::hasExtensionLowerCase(const std::string& extension) const
{
   return getExtensionLowerCase() == extension;
}

bool FilePath::isEmpty() const
{
   return impl_->size == 0;
}

bool FilePath::isHidden() const
{
   if (impl_->narrow)
   {
      const std::string_view filename = grammar::filename(impl_->narrowText());
      return !filename.empty() && filename.front() == '.';
   }
   const std::wstring_view filename = grammar::filename(impl_->wideText());
   return !filename.empty() && filename.front() == L'.';
}

bool FilePath::isLessThanIgnoringCase(const FilePath& other) const
{
   return lowerCase(getAbsolutePath()) < lowerCase(other.getAbsolutePath());
}

bool FilePath::isRootPath(const std::string& path)
{
   if (path.empty())
      return false;
   const grammar::RootParts root = grammar::splitRoot(toWide(path));
   return root.hasDirectory || root.nameSize > 0;
}

bool FilePath::isWithin(const FilePath& scopePath) const
{
   return Impl::withWideTexts(*impl_, *scopePath.impl_, grammar::isWithin);
}

bool FilePath::operator<(const FilePath& other) const
{
   return Impl::withWideTexts(*impl_, *other.impl_, grammar::compare) < 0;
}

bool FilePath::operator==(const FilePath& other) const
{
   // The same text has the same elements.
   if (impl_ == other.impl_ || (impl_->narrow && other.impl_->narrow && impl_->narrowText() == other.impl_->narrowText()))
      return true;
   return Impl::withWideTexts(*impl_, *other.impl_, grammar::compare) == 0;
}

bool FilePath::operator!=(const FilePath& other) const
{
   return !(*this == other);
}

std::ostream& operator<<(std::ostream& stream, const FilePath& path)
{
   return stream << path.getAbsolutePath();
}

} // namespace velorin::core
