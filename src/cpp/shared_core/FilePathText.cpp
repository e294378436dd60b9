// FilePathText.cpp: path text between UTF-8 and the stored UTF-16, and the forms the
// file system is handed.
#include <algorithm>
#include <cstdint>

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

TextScan scanText(const std::string& text, char* out)
{
   const char* data = text.data();
   const std::size_t size = text.size();
#ifdef __SSE2__
   // Path texts are scanned on every construction: sixteen bytes at a time where every
   // x86-64 processor can. A tail shorter than sixteen is taken with the run that ends
   // at the text's end, overlapping the run before it.
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
   bool outsideAscii = false;
   bool backslash = false;
   for (std::size_t i = 0; i < size; ++i)
   {
      const auto byte = static_cast<unsigned char>(data[i]);
      outsideAscii |= byte == 0 || byte >= 0x80;
      backslash |= byte == '\\';
      if (out != nullptr)
         out[i] = static_cast<char>(byte);
   }
   TextScan scan;
   scan.plainAscii = !outsideAscii;
   scan.hasBackslash = scan.plainAscii && backslash;
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
