// LineEndingsFuzzer.cpp: line-break conversion and counting against a plain
// byte-by-byte reference on the same input.
#include <core/StringUtils.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.hpp"

namespace {

using namespace velorin::core::string_utils;
using velorin::fuzz::check;

// CR LF, LF, a lone CR, and E2 80 A8 / E2 80 A9, tried in that order at each byte.
std::string referenceConversion(const std::string& text, const std::string& lineBreak)
{
   std::string result;
   std::size_t i = 0;
   while (i < text.size())
   {
      if (text.compare(i, 2, "\r\n") == 0)
      {
         result += lineBreak;
         i += 2;
      }
      else if (text[i] == '\n' || text[i] == '\r')
      {
         result += lineBreak;
         i += 1;
      }
      else if (text.compare(i, 3, "\xE2\x80\xA8") == 0 || text.compare(i, 3, "\xE2\x80\xA9") == 0)
      {
         result += lineBreak;
         i += 3;
      }
      else
      {
         result += text[i];
         i += 1;
      }
   }
   return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   const std::string input(reinterpret_cast<const char*>(data), size);

   std::string lf = input;
   convertLineEndings(&lf, LineEndingLf);
   check(lf == referenceConversion(input, "\n"));

   std::string crLf = input;
   convertLineEndings(&crLf, LineEndingCrLf);
   check(crLf == referenceConversion(input, "\r\n"));

   std::string platform = input;
   convertLineEndings(&platform, LineEndingPlatform);
   check(platform == crLf);

   std::string unchanged = input;
   convertLineEndings(&unchanged, LineEndingUnchanged);
   check(unchanged == input);

   const auto lineFeeds = static_cast<std::uint64_t>(std::count(input.begin(), input.end(), '\n'));
   check(countLineBreaks(input) == lineFeeds);
   const std::wstring wide(input.begin(), input.end());
   std::uint64_t wideCount = 0;
   const auto last = countLineBreaks(wide.cbegin(), wide.cend(), &wideCount);
   check(wideCount == lineFeeds);
   if (lineFeeds == 0)
   {
      check(last == wide.cend());
   }
   else
   {
      const auto lastLf = wide.begin() + static_cast<std::ptrdiff_t>(input.rfind('\n'));
      check(last == lastLf || (last + 1 == lastLf && *last == L'\r'));
   }
   return 0;
}
