// FilePath.cpp: the path value, its lexical members, file-system queries and listing,
// the working directory, opening files and changes to the file system.
//
// The grammar is WindowsPathGrammar's, on the stored UTF-16 text. File-system work
// hands the generic form (UTF-8, '/') to Boost.Filesystem, or the stored text to the
// Windows file API; errors from either carry Win32 numbers in the system category.
#include <shared_core/FilePath.hpp>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <locale>
#include <ostream>

#include <boost/filesystem.hpp>
#include <boost/iostreams/device/file_descriptor.hpp>
#include <boost/iostreams/stream.hpp>

#include <platform/Win32Api.hpp>

#include <shared_core/Logger.hpp>

#include "MimeTypes.hpp"
#include "PathSupport.hpp"
#include "WindowsPathGrammar.hpp"

namespace velorin::core {

namespace grammar = windows_path;

namespace {


constexpr const char* kUniqueNameModel = "%%%%-%%%%-%%%%-%%%%";

// What construction needs to know of a text before storing it.
struct TextScan
{
   // Plain ASCII needs no decoding, and the converter would give the same text for it;
   // NUL and everything from 0x80 on go to the converter.
   bool plainAscii = true;
   bool hasBackslash = false;
};

// Both answers in one pass, sixteen bytes at a time; a text of sixteen bytes or more
// ends with the run of its last sixteen, which may overlap the run before. When out is given,
// each run is also copied there unit by unit (a fixed count, which the compiler widens
// as one vector); what out holds is of no use when the text is not plain ASCII.
TextScan scanText(const std::string& text, wchar_t* out = nullptr)
{
   constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
   constexpr std::uint64_t kLowBits = 0x0101010101010101ull;
   constexpr std::uint64_t kBackslashes = kLowBits * '\\';
   const auto hasZeroByte = [&](std::uint64_t word) { return ((word - kLowBits) & ~word & kHighBits) != 0; };
   const char* data = text.data();
   const std::size_t size = text.size();
   TextScan scan;
   // False when the run of sixteen at i is not plain ASCII.
   const auto scanRun = [&](std::size_t i) {
      // Copied first, so that writing out cannot change what is read.
      unsigned char bytes[16];
      std::memcpy(bytes, data + i, sizeof(bytes));
      std::uint64_t low;
      std::uint64_t high;
      std::memcpy(&low, bytes, sizeof(low));
      std::memcpy(&high, bytes + 8, sizeof(high));
      if (((low | high) & kHighBits) != 0 || hasZeroByte(low) || hasZeroByte(high))
         return false;
      scan.hasBackslash =
         scan.hasBackslash || hasZeroByte(low ^ kBackslashes) || hasZeroByte(high ^ kBackslashes);
      if (out != nullptr)
      {
         for (std::size_t k = 0; k < sizeof(bytes); ++k)
            out[i + k] = bytes[k];
      }
      return true;
   };
   if (size >= 16)
   {
      for (std::size_t i = 0; i + 16 <= size; i += 16)
      {
         if (!scanRun(i))
            return TextScan{false, false};
      }
      if (size % 16 != 0 && !scanRun(size - 16))
         return TextScan{false, false};
      return scan;
   }
   for (std::size_t i = 0; i < size; ++i)
   {
      const auto byte = static_cast<unsigned char>(data[i]);
      if (byte == 0 || byte >= 0x80)
         return TextScan{false, false};
      scan.hasBackslash = scan.hasBackslash || byte == '\\';
      if (out != nullptr)
         out[i] = byte;
   }
   return scan;
}

bool isPlainAscii(std::wstring_view wide)
{
   return std::all_of(wide.begin(), wide.end(), [](wchar_t unit) {
      return static_cast<std::uint32_t>(unit) - 1 < 0x7F;
   });
}

Error lastSystemError(const ErrorLocation& location)
{
   return systemError(static_cast<int>(::GetLastError()), location);
}

// Path text converts through the layer, which keeps the bytes of a name that is not
// UTF-8, so that a listed name reaches its own entry. Text is read up to a NUL.
std::wstring toWide(const std::string& text)
{
   if (scanText(text).plainAscii)
      return std::wstring(text.begin(), text.end());
   std::wstring wide = platform::widePathFromUtf8(text);
   if (wide.empty() && text.front() != '\0')
      log::logError(lastSystemError(ERROR_LOCATION));
   return wide;
}

std::string toUtf8(std::wstring_view wide, bool generic)
{
   std::string text;
   if (isPlainAscii(wide))
   {
      text.assign(wide.begin(), wide.end());
   }
   else
   {
      const std::wstring stored(wide);
      text = platform::utf8PathFromWide(stored);
      if (text.empty() && stored.front() != L'\0')
         log::logError(lastSystemError(ERROR_LOCATION));
   }
   if (generic)
      std::replace(text.begin(), text.end(), '\\', '/');
   return text;
}

std::string toGenericUtf8(std::wstring_view wide)
{
   return toUtf8(wide, true);
}

std::string lowerCase(std::string text)
{
   const auto& ctype = std::use_facet<std::ctype<char>>(std::locale());
   for (char& c : text)
      c = ctype.tolower(c);
   return text;
}

// What the file system is handed: the entry Windows would act on, never the inside
// of a folder or link that a trailing separator or final "." leads into.
std::wstring win32Text(const FilePath& path)
{
   return platform::win32EntryText(path.getAbsolutePathW());
}

// The generic form, through the layer. A path the system cannot name reaches nothing:
// Boost sees the empty path, never the entry whose name is the replacement character.
boost::filesystem::path fsPath(const FilePath& path)
{
   return platform::boostPathOfEntry(path.getAbsolutePathW());
}

// Boost reports a missing path both as a status and as an error; it is only the status.
boost::filesystem::file_status statusOf(const FilePath& path, boost::system::error_code& ec)
{
   const boost::filesystem::file_status status = boost::filesystem::status(fsPath(path), ec);
   if (status.type() == boost::filesystem::file_not_found)
      ec.clear();
   return status;
}

boost::filesystem::file_status symlinkStatusOf(const FilePath& path, boost::system::error_code& ec)
{
   const boost::filesystem::file_status status = boost::filesystem::symlink_status(fsPath(path), ec);
   if (status.type() == boost::filesystem::file_not_found)
      ec.clear();
   return status;
}

// An error from the path library carries the Win32 number of its operating-system code.
Error filesystemError(const boost::system::error_code& ec,
                      const ErrorLocation& location,
                      DWORD (*toWin32)(int) = platform::win32ErrorFromNative)
{
   return Error(detail::win32ErrorCode(ec, toWin32), location);
}

Error filesystemError(const boost::system::error_code& ec,
                      const FilePath& path,
                      const ErrorLocation& location,
                      DWORD (*toWin32)(int, const std::string&) = platform::win32ErrorFromNativeForPath)
{
   Error error = detail::isOperatingSystemError(ec)
                    ? systemError(static_cast<int>(toWin32(ec.value(), fsPath(path).string())), location)
                    : Error(ec, location);
   error.addProperty("path", path);
   return error;
}

Error systemErrorWithPath(int code, const std::string& path, const ErrorLocation& location)
{
   Error error = systemError(code, location);
   error.addProperty("path", path);
   return error;
}

bool isEquivalent(const Error& error, boost::system::errc::errc_t condition)
{
   if (error.getName() != platform::systemCategory().name())
      return false;
   return boost::system::error_code(error.getCode(), platform::systemCategory()) == condition;
}

using StatusReader = boost::filesystem::file_status (*)(const FilePath&, boost::system::error_code&);

// Reads the status of a path that exists; false when it does not or when the status
// cannot be read, which is logged at the caller's location.
bool readExistingStatus(const FilePath& path,
                        StatusReader read,
                        boost::filesystem::file_status& status,
                        const ErrorLocation& location)
{
   if (!path.exists())
      return false;
   boost::system::error_code ec;
   status = read(path, ec);
   if (ec)
   {
      log::logError(filesystemError(ec, path, location), location);
      return false;
   }
   return true;
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

// A stream over an open file handle, which the stream then owns.
template <typename Device, typename Stream>
Error streamOverHandle(HANDLE handle, std::shared_ptr<Stream>& stream, const FilePath& path, const ErrorLocation& location)
{
   try
   {
#ifdef _WIN32
      Device device(handle, boost::iostreams::close_handle);
#else
      const int fd = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(handle), 0);
      if (fd < 0)
      {
         ::CloseHandle(handle);
         return systemErrorWithPath(ERROR_FILE_NOT_FOUND, path.getAbsolutePath(), location);
      }
      Device device(fd, boost::iostreams::close_handle);
#endif
      auto opened = std::make_shared<boost::iostreams::stream<Device>>(device);
      if (opened->fail() || opened->bad())
         return systemErrorWithPath(ERROR_FILE_NOT_FOUND, path.getAbsolutePath(), location);
      stream = opened;
      return Success();
   }
   catch (const std::exception& e)
   {
      Error error = systemError(ERROR_ACCESS_DENIED, location);
      error.addProperty("what", e.what());
      error.addProperty("path", path);
      return error;
   }
}

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

// Allocates a shared Impl's block with room for the path's text after it, so that a
// path costs one allocation; the room's address goes to *tail, where the Impl being
// made reads it. Only the allocating copy writes there.
template <typename T>
class AllocatorWithTail
{
public:
   using value_type = T;

   AllocatorWithTail(std::size_t tailBytes, wchar_t** tail) : tailBytes_(tailBytes), tail_(tail) {}
   template <typename U>
   AllocatorWithTail(const AllocatorWithTail<U>& other) : tailBytes_(other.tailBytes_), tail_(other.tail_)
   {
   }

   T* allocate(std::size_t count)
   {
      // The block's size is a multiple of its alignment, which is at least a pointer's.
      const std::size_t headBytes = count * sizeof(T);
      char* block = static_cast<char*>(::operator new(headBytes + tailBytes_));
      *tail_ = reinterpret_cast<wchar_t*>(block + headBytes);
      return reinterpret_cast<T*>(block);
   }

   void deallocate(T* pointer, std::size_t) { ::operator delete(pointer); }

   template <typename U>
   bool operator==(const AllocatorWithTail<U>& other) const
   {
      return tailBytes_ == other.tailBytes_;
   }
   template <typename U>
   bool operator!=(const AllocatorWithTail<U>& other) const
   {
      return !(*this == other);
   }

private:
   template <typename U>
   friend class AllocatorWithTail;

   std::size_t tailBytes_;
   wchar_t** tail_;
};

} // namespace

struct FilePath::Impl
{
   // An Impl whose text, size units long, fill writes into the room made for it; fill
   // gives whether the text is plain ASCII without '\\'.
   template <typename Fill>
   static std::shared_ptr<Impl> make(std::size_t size, Fill fill)
   {
      wchar_t* tail = nullptr;
      return std::allocate_shared<Impl>(AllocatorWithTail<Impl>(size * sizeof(wchar_t), &tail), tail, size, fill);
   }

   static std::shared_ptr<Impl> make(std::wstring_view text, bool genericAscii)
   {
      return make(text.size(), [&](wchar_t* out) {
         std::copy(text.begin(), text.end(), out);
         return genericAscii;
      });
   }

   template <typename Fill>
   Impl(wchar_t* const& tail, std::size_t size, Fill& fill) : text(tail, size), genericAscii(fill(tail))
   {
   }

   const std::wstring_view text;
   // Plain ASCII without '\\': the generic form is then the text unit by unit.
   const bool genericAscii;
};

namespace {

bool isGenericAscii(std::wstring_view wide)
{
   return isPlainAscii(wide) && wide.find(L'\\') == std::wstring_view::npos;
}

} // namespace

FilePath::FilePath() : impl_(Impl::make(std::wstring_view(), true))
{
}

FilePath::FilePath(const std::string& absolutePath)
{
   // Plain ASCII, the common case, is stored while it is checked; anything else is
   // converted afresh.
   bool plainAscii = true;
   impl_ = Impl::make(absolutePath.size(), [&](wchar_t* out) {
      const TextScan scan = scanText(absolutePath, out);
      plainAscii = scan.plainAscii;
      return scan.plainAscii && !scan.hasBackslash;
   });
   if (!plainAscii)
   {
      const std::wstring text = toWide(absolutePath);
      impl_ = Impl::make(text, isGenericAscii(text));
   }
}

FilePath::FilePath(const std::wstring& absolutePath) : impl_(Impl::make(absolutePath, isGenericAscii(absolutePath)))
{
}

FilePath::FilePath(std::shared_ptr<Impl> impl) : impl_(std::move(impl))
{
}

Error FilePath::complete(const std::string& path, std::wstring& completedPath, const ErrorLocation& location) const
{
   if (grammar::isAbsolute(impl_->text))
   {
      completedPath = grammar::complete(toWide(path), impl_->text);
      return Success();
   }
   std::wstring base;
   Error error = absoluteBase(impl_->text, base, location);
   if (error)
      return error;
   completedPath = grammar::complete(toWide(path), base);
   return Success();
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

Error FilePath::copy(const FilePath& targetPath) const
{
   if (::CopyFileW(win32Text(*this).c_str(), win32Text(targetPath).c_str(), TRUE))
      return Success();
   Error error = lastSystemError(ERROR_LOCATION);
   error.addProperty("path", *this);
   error.addProperty("target-path", targetPath);
   return error;
}

Error FilePath::copyDirectoryRecursive(const FilePath& targetPath) const
{
   if (isInsideTree(*this, targetPath))
      return targetInsideSourceError(*this, targetPath, ERROR_LOCATION);
   Error firstEntryError;
   return copyTree(*this, targetPath, firstEntryError);
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

Error FilePath::createDirectory(const std::string& path) const
{
   std::wstring target(impl_->text);
   Error error;
   if (!path.empty())
      error = complete(path, target, ERROR_LOCATION);
   if (!error && !platform::isNameablePath(target))
      error = systemError(ERROR_INVALID_NAME, ERROR_LOCATION);

   if (!error)
   {
      try
      {
         boost::system::error_code ec;
         boost::filesystem::create_directories(fsPath(FilePath(target)), ec);
         if (ec)
            error = filesystemError(ec, ERROR_LOCATION, platform::win32ErrorFromNativeForCreateDirectory);
      }
      catch (const boost::filesystem::filesystem_error& e)
      {
         error = filesystemError(e.code(), ERROR_LOCATION, platform::win32ErrorFromNativeForCreateDirectory);
      }
   }
   if (error)
   {
      error.addProperty("path", *this);
      error.addProperty("target-dir", path);
   }
   return error;
}

Error FilePath::ensureDirectory() const
{
   if (exists())
      return Success();
   return createDirectory(std::string());
}

Error FilePath::ensureFile() const
{
   if (exists())
      return Success();
   // Opened to append, so that a file another caller created meanwhile is kept whole.
   std::shared_ptr<std::ostream> stream;
   Error error = openForWrite(stream, false);
   if (error)
      return error;
   stream->flush();
   stream.reset();
   return Success();
}

bool FilePath::exists() const
{
   if (isEmpty())
      return false;
   boost::system::error_code ec;
   const boost::filesystem::file_status status = statusOf(*this, ec);
   if (ec)
   {
      Error error = filesystemError(ec, *this, ERROR_LOCATION);
      if (!isEquivalent(error, boost::system::errc::permission_denied))
         log::logError(error, ERROR_LOCATION);
      return false;
   }
   return boost::filesystem::exists(status);
}

bool FilePath::exists(const std::string& path)
{
   const FilePath filePath(path);
   if (filePath.isEmpty())
      return false;
   boost::system::error_code ec;
   const boost::filesystem::file_status status = statusOf(filePath, ec);
   if (ec)
   {
      log::logError(filesystemError(ec, filePath, ERROR_LOCATION), ERROR_LOCATION);
      return false;
   }
   return boost::filesystem::exists(status);
}

FilePath FilePath::fromComputedPath(std::wstring_view text)
{
   // The units stay as they are, unpaired surrogates too: through the UTF-8 form one
   // that stands for no byte would become U+FFFD and name another entry.
   std::uint32_t outsideAscii = 0;
   for (const wchar_t unit : text)
      outsideAscii |= static_cast<std::uint32_t>(unit) - 1 >= 0x7F ? 1u : 0u;
   return FilePath(Impl::make(text.size(), [&](wchar_t* out) {
      std::replace_copy(text.begin(), text.end(), out, L'\\', L'/');
      return outsideAscii == 0;
   }));
}

std::string FilePath::getAbsolutePath() const
{
   if (impl_->genericAscii)
      return std::string(impl_->text.begin(), impl_->text.end());
   return toGenericUtf8(impl_->text);
}

std::string FilePath::getAbsolutePathNative() const
{
   return toUtf8(impl_->text, false);
}

std::wstring FilePath::getAbsolutePathW() const
{
   return std::wstring(impl_->text);
}

std::string FilePath::getCanonicalPath() const
{
   if (isEmpty())
      return std::string();
   try
   {
      return toGenericUtf8(platform::wideFromBoostPath(boost::filesystem::canonical(fsPath(*this))));
   }
   catch (const boost::filesystem::filesystem_error& e)
   {
      const Error error = filesystemError(e.code(), ERROR_LOCATION);
      throw boost::filesystem::filesystem_error(
         "getCanonicalPath", e.path1(), boost::system::error_code(error.getCode(), platform::systemCategory()));
   }
}

Error FilePath::getChildren(std::vector<FilePath>& filePaths) const
{
   if (!exists())
      return notFoundError(*this, ERROR_LOCATION);

   // Every child starts with the folder in generic form and the separator that
   // appending a name puts after it; a name never starts with a separator.
   std::wstring prefix(impl_->text);
   std::replace(prefix.begin(), prefix.end(), L'\\', L'/');
   grammar::append(prefix, L"-");
   prefix.pop_back();
   const bool prefixIsGenericAscii = isGenericAscii(prefix);
   try
   {
      boost::system::error_code ec;
      boost::filesystem::directory_iterator it(fsPath(*this), ec);
      const boost::filesystem::directory_iterator end;
      while (!ec && it != end)
      {
         const std::wstring name = platform::wideFromBoostPath(it->path().filename());
         if (canCarryName(name))
         {
            filePaths.push_back(FilePath(Impl::make(prefix.size() + name.size(), [&](wchar_t* out) {
               std::copy(name.begin(), name.end(), std::copy(prefix.begin(), prefix.end(), out));
               return prefixIsGenericAscii && isPlainAscii(name);
            })));
         }
         else
         {
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

std::string FilePath::getExtension() const
{
   return toGenericUtf8(grammar::extension(grammar::filename(impl_->text)));
}

std::string FilePath::getExtensionLowerCase() const
{
   return lowerCase(getExtension());
}

std::string FilePath::getFilename() const
{
   return toGenericUtf8(grammar::filename(impl_->text));
}

std::int64_t FilePath::getLastWriteTime() const
{
   if (!exists())
      return 0;
   boost::system::error_code ec;
   const std::time_t time = boost::filesystem::last_write_time(fsPath(*this), ec);
   if (ec)
   {
      log::logError(filesystemError(ec, *this, ERROR_LOCATION), ERROR_LOCATION);
      return 0;
   }
   return static_cast<std::int64_t>(time);
}

std::string FilePath::getLexicallyNormalPath() const
{
   if (isEmpty())
      return std::string();
   return toGenericUtf8(grammar::lexicallyNormal(impl_->text));
}

std::string FilePath::getMimeContentType(const std::string& defaultType) const
{
   const std::string extension = getExtensionLowerCase();
   if (extension.empty())
      return defaultType;
   const char* contentType = mime::contentTypeOf(extension.substr(1));
   return contentType != nullptr ? contentType : defaultType;
}

FilePath FilePath::getParent() const
{
   return fromComputedPath(grammar::parentPath(impl_->text));
}

std::string FilePath::getRelativePath(const FilePath& parentPath) const
{
   const std::wstring normalPath = isEmpty() ? std::wstring() : grammar::lexicallyNormal(impl_->text);
   const std::wstring normalParent =
      parentPath.isEmpty() ? std::wstring() : grammar::lexicallyNormal(parentPath.impl_->text);
   return toGenericUtf8(grammar::lexicallyRelative(normalPath, normalParent));
}

std::uint64_t FilePath::getSize() const
{
   if (!exists())
      return 0;
   boost::system::error_code ec;
   std::uint64_t size = 0;
   const boost::filesystem::file_status status = statusOf(*this, ec);
   if (!ec && boost::filesystem::is_regular_file(status))
      size = boost::filesystem::file_size(fsPath(*this), ec);
   if (ec)
   {
      Error error = filesystemError(ec, *this, ERROR_LOCATION);
      if (error.getCode() != static_cast<int>(ERROR_NOT_SUPPORTED) && ec.value() != static_cast<int>(ERROR_NOT_SUPPORTED))
         log::logError(error);
      return 0;
   }
   return size;
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

std::string FilePath::getStem() const
{
   return toGenericUtf8(grammar::stem(grammar::filename(impl_->text)));
}

bool FilePath::hasExtension(const std::string& extension) const
{
   return getExtension() == extension;
}

bool FilePath::hasExtensionLowerCase(const std::string& extension) const
{
   return getExtensionLowerCase() == extension;
}

bool FilePath::hasTextMimeType() const
{
   const std::string contentType = getMimeContentType("application/octet-stream");
   const std::string xmlSuffix = "+xml";
   return contentType.compare(0, 5, "text/") == 0 ||
          (contentType.size() >= xmlSuffix.size() &&
           contentType.compare(contentType.size() - xmlSuffix.size(), xmlSuffix.size(), xmlSuffix) == 0);
}

bool FilePath::isDirectory() const
{
   boost::filesystem::file_status status;
   return readExistingStatus(*this, statusOf, status, ERROR_LOCATION) &&
          (boost::filesystem::is_directory(status) || isJunction());
}

bool FilePath::isEmpty() const
{
   return impl_->text.empty();
}

bool FilePath::isEquivalentTo(const FilePath& other) const
{
   if (!exists() || !other.exists())
      return false;
   boost::system::error_code ec;
   const bool equivalent = boost::filesystem::equivalent(fsPath(*this), fsPath(other), ec);
   if (ec)
   {
      Error error = filesystemError(ec, *this, ERROR_LOCATION);
      error.addProperty("equivalent-to", other);
      log::logError(error, ERROR_LOCATION);
      return false;
   }
   return equivalent;
}

bool FilePath::isHidden() const
{
   const std::wstring_view filename = grammar::filename(impl_->text);
   return !filename.empty() && filename.front() == L'.';
}

bool FilePath::isJunction() const
{
   if (!exists())
      return false;
   const DWORD attributes = ::GetFileAttributesW(win32Text(*this).c_str());
   if (attributes == INVALID_FILE_ATTRIBUTES)
      return false;
   return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool FilePath::isLessThanIgnoringCase(const FilePath& other) const
{
   return lowerCase(getAbsolutePath()) < lowerCase(other.getAbsolutePath());
}

bool FilePath::isRegularFile() const
{
   boost::filesystem::file_status status;
   return readExistingStatus(*this, statusOf, status, ERROR_LOCATION) && boost::filesystem::is_regular_file(status);
}

bool FilePath::isRootPath(const std::string& path)
{
   if (path.empty())
      return false;
   const grammar::RootParts root = grammar::splitRoot(toWide(path));
   return root.hasDirectory || root.nameSize > 0;
}

bool FilePath::isSymlink() const
{
   boost::filesystem::file_status status;
   return readExistingStatus(*this, symlinkStatusOf, status, ERROR_LOCATION) && boost::filesystem::is_symlink(status);
}

bool FilePath::isWithin(const FilePath& scopePath) const
{
   return grammar::isWithin(impl_->text, scopePath.impl_->text);
}

Error FilePath::makeCurrentPath(bool autoCreate) const
{
   if (autoCreate)
   {
      Error error = ensureDirectory();
      if (error)
         return error;
   }
   boost::system::error_code ec;
   boost::filesystem::current_path(fsPath(*this), ec);
   if (ec)
      return filesystemError(ec, *this, ERROR_LOCATION, platform::win32ErrorFromNativeForSetCurrentDirectory);
   return Success();
}

Error FilePath::makeCurrentPath(const std::string& path)
{
   return FilePath(path).makeCurrentPath(false);
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

Error FilePath::openForRead(std::shared_ptr<std::istream>& stream) const
{
   HANDLE handle =
      ::CreateFileW(win32Text(*this).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
   if (handle == INVALID_HANDLE_VALUE)
   {
      Error error = lastSystemError(ERROR_LOCATION);
      error.addProperty("path", *this);
      return error;
   }
   return streamOverHandle<boost::iostreams::file_descriptor_source>(handle, stream, *this, ERROR_LOCATION);
}

Error FilePath::openForWrite(std::shared_ptr<std::ostream>& stream, bool truncate) const
{
   HANDLE handle = ::CreateFileW(win32Text(*this).c_str(),
                                 truncate ? GENERIC_WRITE : FILE_APPEND_DATA,
                                 0,
                                 nullptr,
                                 truncate ? CREATE_ALWAYS : OPEN_ALWAYS,
                                 0,
                                 nullptr);
   if (handle == INVALID_HANDLE_VALUE)
   {
      Error error = lastSystemError(ERROR_LOCATION);
      error.addProperty("path", *this);
      return error;
   }
   return streamOverHandle<boost::iostreams::file_descriptor_sink>(handle, stream, *this, ERROR_LOCATION);
}

bool FilePath::operator<(const FilePath& other) const
{
   return grammar::compare(impl_->text, other.impl_->text) < 0;
}

bool FilePath::operator==(const FilePath& other) const
{
   return impl_ == other.impl_ || grammar::compare(impl_->text, other.impl_->text) == 0;
}

bool FilePath::operator!=(const FilePath& other) const
{
   return !(*this == other);
}

Error FilePath::remove() const
{
   boost::system::error_code ec;
   try
   {
      if (isDirectory())
         boost::filesystem::remove_all(fsPath(*this), ec);
      else
         boost::filesystem::remove(fsPath(*this), ec);
   }
   catch (const boost::filesystem::filesystem_error& e)
   {
      ec = e.code();
   }
   if (ec)
      return filesystemError(ec, *this, ERROR_LOCATION);
   return Success();
}

Error FilePath::removeIfExists() const
{
   if (exists())
      return remove();
   return Success();
}

Error FilePath::resetDirectory() const
{
   Error error = removeIfExists();
   if (error)
      return error;
   return ensureDirectory();
}

FilePath FilePath::resolveSymlink() const
{
   if (!isSymlink())
      return *this;
   boost::system::error_code ec;
   const boost::filesystem::path target = boost::filesystem::read_symlink(fsPath(*this), ec);
   if (ec)
   {
      log::logError(filesystemError(ec, *this, ERROR_LOCATION), ERROR_LOCATION);
      return *this;
   }
   return fromComputedPath(platform::wideFromBoostPath(target));
}

void FilePath::setLastWriteTime(std::int64_t time) const
{
   if (!exists())
      return;
   boost::system::error_code ec;
   boost::filesystem::last_write_time(fsPath(*this), static_cast<std::time_t>(time), ec);
   if (ec)
      log::logError(filesystemError(ec, *this, ERROR_LOCATION), ERROR_LOCATION);
}

Error FilePath::tempFilePath(const std::string& extension, FilePath& filePath)
{
   boost::system::error_code ec;
   const boost::filesystem::path folder = boost::filesystem::temp_directory_path(ec);
   if (ec)
      return filesystemError(ec, ERROR_LOCATION);
   return uniqueFilePath(toUtf8(platform::wideFromBoostPath(folder), false), extension, filePath);
}

Error FilePath::tempFilePath(FilePath& filePath)
{
   return tempFilePath(std::string(), filePath);
}

Error FilePath::uniqueFilePath(const std::string& basePath, const std::string& extension, FilePath& uniqueFilePath)
{
   boost::system::error_code ec;
   const boost::filesystem::path name = boost::filesystem::unique_path(kUniqueNameModel, ec);
   if (ec)
      return filesystemError(ec, ERROR_LOCATION);

   std::wstring completed;
   Error error =
      FilePath(basePath).complete(toUtf8(platform::wideFromBoostPath(name), false), completed, ERROR_LOCATION);
   if (error)
      return error;
   uniqueFilePath = FilePath(toGenericUtf8(completed) + extension);
   return Success();
}

Error FilePath::uniqueFilePath(const std::string& basePath, FilePath& uniqueFilePath)
{
   return FilePath::uniqueFilePath(basePath, std::string(), uniqueFilePath);
}

std::ostream& operator<<(std::ostream& stream, const FilePath& path)
{
   return stream << path.getAbsolutePath();
}

void Error::addOrUpdateProperty(const std::string& name, const FilePath& value)
{
   addOrUpdateProperty(name, value.getAbsolutePath());
}

void Error::addProperty(const std::string& name, const FilePath& value)
{
   addProperty(name, value.getAbsolutePath());
}

Error fileExistsError(const ErrorLocation& location)
{
   return systemError(ERROR_FILE_EXISTS, location);
}

Error fileExistsError(const FilePath& path, const ErrorLocation& location)
{
   return systemErrorWithPath(ERROR_FILE_EXISTS, path.getAbsolutePath(), location);
}

Error fileNotFoundError(const ErrorLocation& location)
{
   return systemError(ERROR_FILE_NOT_FOUND, location);
}

Error fileNotFoundError(const std::string& path, const ErrorLocation& location)
{
   return systemErrorWithPath(ERROR_FILE_NOT_FOUND, path, location);
}

Error fileNotFoundError(const FilePath& path, const ErrorLocation& location)
{
   return systemErrorWithPath(ERROR_FILE_NOT_FOUND, path.getAbsolutePath(), location);
}

bool isFileNotFoundError(const Error& error)
{
   return error == boost::system::error_code(ERROR_FILE_NOT_FOUND, platform::systemCategory());
}

bool isNotFoundError(const Error& error)
{
   return isFileNotFoundError(error) || isPathNotFoundError(error);
}

bool isPathNotFoundError(const Error& error)
{
   return error == boost::system::error_code(ERROR_PATH_NOT_FOUND, platform::systemCategory());
}

Error notFoundError(const FilePath& path, const ErrorLocation& location)
{
   Error error = systemError(ERROR_PATH_NOT_FOUND, location);
   if (!path.isEmpty())
      error.addProperty("path", path);
   return error;
}

Error pathNotFoundError(const ErrorLocation& location)
{
   return systemError(ERROR_PATH_NOT_FOUND, location);
}

Error pathNotFoundError(const std::string& path, const ErrorLocation& location)
{
   return systemErrorWithPath(ERROR_PATH_NOT_FOUND, path, location);
}

} // namespace velorin::core
