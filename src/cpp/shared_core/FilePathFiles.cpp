// FilePathFiles.cpp: opening files as streams, and the MIME type of a path.
#include <shared_core/FilePath.hpp>

#include <cstdint>
#include <exception>
#include <istream>
#include <ostream>

#include <boost/iostreams/device/file_descriptor.hpp>
#include <boost/iostreams/stream.hpp>

#include <platform/Win32Api.hpp>

#include "MimeTypes.hpp"
#include "PathSupport.hpp"

namespace velorin::core {

using namespace detail;

namespace {

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

} // namespace

std::string FilePath::getMimeContentType(const std::string& defaultType) const
{
   const std::string extension = getExtensionLowerCase();
   if (extension.empty())
      return defaultType;
   const char* contentType = mime::contentTypeOf(extension.substr(1));
   return contentType != nullptr ? contentType : defaultType;
}

bool FilePath::hasTextMimeType() const
{
   const std::string contentType = getMimeContentType("application/octet-stream");
   const std::string xmlSuffix = "+xml";
   return contentType.compare(0, 5, "text/") == 0 ||
          (contentType.size() >= xmlSuffix.size() &&
           contentType.compare(contentType.size() - xmlSuffix.size(), xmlSuffix.size(), xmlSuffix) == 0);
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

} // namespace velorin::core
