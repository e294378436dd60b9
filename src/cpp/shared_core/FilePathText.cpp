// FilePathText.cpp: path text between UTF-8 and the stored UTF-16, and the forms the
// file system is handed.
#include <algorithm>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <platform/Win32Api.hpp>

#include <shared_core/Logger.hpp>

#include "PathSupport.hpp"

namespace velorin::core::detail {

boost::filesystem::path fsPath(const FilePath& path)
{
   return platform::boostPathOfEntry(path.getAbsolutePathW());
}

bool isPlainAscii(std::wstring_view wide)
{
   return std::all_of(wide.begin(), wide.end(), [](wchar_t unit) {
      return static_cast<std::uint32_t>(unit) - 1 < 0x7F;
   });
}

// Eight bytes at a time, without a branch on what they hold; a text of eight bytes or
// more ends with the word of its last eight, which may overlap the word before. In
// (word - 1 in each byte) a byte's high bit can be set only by a NUL or by a byte from
// 0x80 on, or by a borrow from a lower byte that was NUL, so the tests are exact for
// the text as a whole.
TextScan scanText(const std::string& text, char* out)
{
   constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
   constexpr std::uint64_t kLowBits = 0x0101010101010101ull;
   constexpr std::uint64_t kBackslashes = kLowBits * '\\';
   const char* data = text.data();
   const std::size_t size = text.size();
   std::uint64_t outsideAscii = 0;
   std::uint64_t backslash = 0;
   const auto take = [&](std::size_t i) {
      std::uint64_t word;
      std::memcpy(&word, data + i, sizeof(word));
      outsideAscii |= (word - kLowBits) | word;
      const std::uint64_t backslashesZeroed = word ^ kBackslashes;
      backslash |= (backslashesZeroed - kLowBits) & ~backslashesZeroed;
      if (out != nullptr)
         std::memcpy(out + i, &word, sizeof(word));
   };
#ifdef __SSE2__
   // Sixteen bytes at a time where every x86-64 processor can: the same tests, one
   // instruction each.
   if (size >= 16)
   {
      const __m128i zeros = _mm_setzero_si128();
      const __m128i backslashes = _mm_set1_epi8('\\');
      __m128i outside = zeros;
      __m128i found = zeros;
      const auto takeRun = [&](std::size_t i) {
         const __m128i run = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
         outside = _mm_or_si128(outside, _mm_or_si128(run, _mm_cmpeq_epi8(run, zeros)));
         found = _mm_or_si128(found, _mm_cmpeq_epi8(run, backslashes));
         if (out != nullptr)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), run);
      };
      for (std::size_t i = 0; i + 16 <= size; i += 16)
         takeRun(i);
      if (size % 16 != 0)
         takeRun(size - 16);
      TextScan scan;
      scan.plainAscii = _mm_movemask_epi8(outside) == 0;
      scan.hasBackslash = scan.plainAscii && _mm_movemask_epi8(found) != 0;
      return scan;
   }
#endif
   if (size >= sizeof(std::uint64_t))
   {
      for (std::size_t i = 0; i + sizeof(std::uint64_t) <= size; i += sizeof(std::uint64_t))
         take(i);
      if (size % sizeof(std::uint64_t) != 0)
         take(size - sizeof(std::uint64_t));
   }
   else
   {
      for (std::size_t i = 0; i < size; ++i)
      {
         const auto byte = static_cast<unsigned char>(data[i]);
         outsideAscii |= (byte == 0 || byte >= 0x80) ? kHighBits : 0;
         backslash |= byte == '\\' ? kHighBits : 0;
         if (out != nullptr)
            out[i] = static_cast<char>(byte);
      }
   }
   TextScan scan;
   scan.plainAscii = (outsideAscii & kHighBits) == 0;
   scan.hasBackslash = scan.plainAscii && (backslash & kHighBits) != 0;
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
