// FilePathErrors.cpp: the errors the path type's members build, and the free functions
// that build and test not-found and already-exists errors for any caller.
#include <shared_core/FilePath.hpp>

#include <platform/Win32Api.hpp>

#include "PathSupport.hpp"

namespace velorin::core {
namespace detail {

Error filesystemError(const boost::system::error_code& ec, const ErrorLocation& location, DWORD (*toWin32)(int))
{
   return Error(win32ErrorCode(ec, toWin32), location);
}

Error filesystemError(const boost::system::error_code& ec,
                      const FilePath& path,
                      const ErrorLocation& location,
                      DWORD (*toWin32)(int, const std::string&))
{
   Error error = isOperatingSystemError(ec)
                    ? systemError(static_cast<int>(toWin32(ec.value(), fsPath(path).string())), location)
                    : Error(ec, location);
   error.addProperty("path", path);
   return error;
}

bool isEquivalent(const Error& error, boost::system::errc::errc_t condition)
{
   if (error.getName() != platform::systemCategory().name())
      return false;
   return boost::system::error_code(error.getCode(), platform::systemCategory()) == condition;
}

Error lastSystemError(const ErrorLocation& location)
{
   return systemError(static_cast<int>(::GetLastError()), location);
}

Error systemErrorWithPath(int code, const std::string& path, const ErrorLocation& location)
{
   Error error = systemError(code, location);
   error.addProperty("path", path);
   return error;
}

} // namespace detail

using namespace detail;

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

