// FilePathText.cpp: path text between UTF-8 and the stored UTF-16, and the forms the
// file system is handed.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include <platform/Win32Api.hpp>

#include <shared_core/Logger.hpp>

#include "PathSupport.hpp"

namespace velorin::core::detail {

boost::filesystem::path fsPath(const FilePath& path)
{
   return platform::boostPathOfEntry(path.getAbsolutePathW());
}

bool isGenericAscii(std::wstring_view wide)
{
   return isPlainAscii(wide) && wide.find(L'\\') == std::wstring_view::npos;
}

bool isPlainAscii(std::wstring_view wide)
{
   return std::all_of(wide.begin(), wide.end(), [](wchar_t unit) {
      return static_cast<std::uint32_t>(unit) - 1 < 0x7F;
   });
}

// Sixteen bytes at a time; a text of sixteen bytes or more ends with the run of its
// last sixteen, which may overlap the run before.
TextScan scanText(const std::string& text, char* out)
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
         std::memcpy(out + i, bytes, sizeof(bytes));
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

std::string toGenericUtf8(std::wstring_view wide)
{
   return toUtf8(wide, true);
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

std::wstring toWide(const std::string& text)
{
   if (scanText(text).plainAscii)
      return std::wstring(text.begin(), text.end());
   std::wstring wide = platform::widePathFromUtf8(text);
   if (wide.empty() && text.front() != '\0')
      log::logError(lastSystemError(ERROR_LOCATION));
   return wide;
}

std::wstring win32Text(const FilePath& path)
{
   return platform::win32EntryText(path.getAbsolutePathW());
}

} // namespace velorin::core::detail
