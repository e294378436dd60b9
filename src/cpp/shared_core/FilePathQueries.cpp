// FilePathQueries.cpp: the members that look at the file system without changing it:
// existence and kind, sizes and times, links and canonical paths, and the working
// directory.
#include <shared_core/FilePath.hpp>

#include <cstdint>
#include <ctime>

#include <boost/filesystem.hpp>

#include <platform/Win32Api.hpp>

#include <shared_core/Logger.hpp>

#include "PathSupport.hpp"

namespace velorin::core {

using namespace detail;

namespace {

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

} // namespace

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

bool FilePath::isDirectory() const
{
   boost::filesystem::file_status status;
   return readExistingStatus(*this, statusOf, status, ERROR_LOCATION) &&
          (boost::filesystem::is_directory(status) || isJunction());
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

bool FilePath::isJunction() const
{
   if (!exists())
      return false;
   const DWORD attributes = ::GetFileAttributesW(win32Text(*this).c_str());
   if (attributes == INVALID_FILE_ATTRIBUTES)
      return false;
   return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool FilePath::isRegularFile() const
{
   boost::filesystem::file_status status;
   return readExistingStatus(*this, statusOf, status, ERROR_LOCATION) && boost::filesystem::is_regular_file(status);
}

bool FilePath::isSymlink() const
{
   boost::filesystem::file_status status;
   return readExistingStatus(*this, symlinkStatusOf, status, ERROR_LOCATION) && boost::filesystem::is_symlink(status);
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

} // namespace velorin::core
