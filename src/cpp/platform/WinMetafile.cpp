// WinMetafile.cpp: enhanced metafiles as the bytes of their file.
#include <platform/win32/WinMetafile.hpp>

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include <platform/win32/WinFile.hpp>
#include <platform/win32/WinText.hpp>

#include "FailureHook.hpp"

namespace {

std::uint32_t littleEndianAt(const std::string& bytes, std::size_t offset)
{
   std::uint32_t value = 0;
   for (std::size_t i = 4; i-- > 0;)
      value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
   return value;
}

// EMR_HEADER (record type 1) first, with the signature " EMF" at offset 40.
bool isEnhancedMetafile(const std::string& bytes)
{
   constexpr std::size_t kHeaderSize = 88;
   return bytes.size() >= kHeaderSize && littleEndianAt(bytes, 0) == 1 && littleEndianAt(bytes, 40) == 0x464D4520;
}

} // namespace

BOOL DeleteEnhMetaFile(HENHMETAFILE metafile)
{
   if (velorin::platform::consumeArmedFailure("DeleteEnhMetaFile"))
      return FALSE;
   if (!velorin::platform::takeHandle<velorin::platform::MetafileObject>(reinterpret_cast<HANDLE>(metafile)))
   {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
   }
   return TRUE;
}

HENHMETAFILE GetEnhMetaFileW(LPCWSTR fileName)
{
   if (velorin::platform::consumeArmedFailure("GetEnhMetaFileW"))
      return nullptr;
   if (fileName == nullptr)
   {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
   }
   // Opened as Windows opens it, so that its share modes and errors hold.
   const HANDLE file = ::CreateFileW(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
   if (file == INVALID_HANDLE_VALUE)
      return nullptr;
   const int fd = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(file), 0);
   std::string bytes;
   char buffer[65536];
   ssize_t got;
   while ((got = ::read(fd, buffer, sizeof(buffer))) > 0 || (got < 0 && errno == EINTR))
      if (got > 0)
         bytes.append(buffer, static_cast<std::size_t>(got));
   const int readError = got < 0 ? errno : 0;
   ::close(fd);
   if (readError != 0)
   {
      SetLastError(velorin::platform::win32ErrorFromErrno(readError));
      return nullptr;
   }
   if (!isEnhancedMetafile(bytes))
   {
      SetLastError(ERROR_INVALID_DATA);
      return nullptr;
   }
   return reinterpret_cast<HENHMETAFILE>(
      velorin::platform::addHandle(std::make_unique<velorin::platform::MetafileObject>(std::move(bytes))));
}
