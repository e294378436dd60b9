// FilePathChanges.cpp: creating, copying and removing files and folders, and fresh names.
#include <shared_core/FilePath.hpp>

#include <ostream>

#include <boost/filesystem.hpp>

#include <platform/Win32Api.hpp>

#include "PathSupport.hpp"

namespace velorin::core {

using namespace detail;

namespace {

constexpr const char* kUniqueNameModel = "%%%%-%%%%-%%%%-%%%%";

} // namespace

Error FilePath::copy(const FilePath& targetPath) const
{
   if (::CopyFileW(win32Text(*this).c_str(), win32Text(targetPath).c_str(), TRUE))
      return Success();
   Error error = lastSystemError(ERROR_LOCATION);
   error.addProperty("path", *this);
   error.addProperty("target-path", targetPath);
   return error;
}

Error FilePath::createDirectory(const std::string& path) const
{
   std::wstring target(getAbsolutePathW());
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

} // namespace velorin::core
