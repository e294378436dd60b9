// WinText.cpp: MultiByteToWideChar and WideCharToMultiByte over a UTF-8/UTF-16 codec.
//
// The codec is lenient as Windows is with flags 0: each maximal ill-formed
// subsequence of UTF-8 becomes one U+FFFD (Unicode's recommended practice), and
// each unpaired surrogate of UTF-16 becomes U+FFFD.
#include <platform/win32/WinText.hpp>

#include <cstring>
#include <cwchar>

#include <platform/TestHooks.hpp>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool inRange(unsigned char byte, unsigned char low, unsigned char high)
{
   return byte >= low && byte <= high;
}

// Calls emit(codePoint) for every scalar value of the UTF-8 text.
template <typename Emit>
void decodeUtf8(const unsigned char* text, std::size_t length, Emit emit)
{
   std::size_t i = 0;
   while (i < length)
   {
      const unsigned char lead = text[i];
      if (lead < 0x80)
      {
         emit(lead);
         ++i;
         continue;
      }

      int trailCount;
      unsigned char firstLow = 0x80, firstHigh = 0xBF;
      char32_t codePoint;
      if (inRange(lead, 0xC2, 0xDF))
      {
         trailCount = 1;
         codePoint = lead & 0x1F;
      }
      else if (inRange(lead, 0xE0, 0xEF))
      {
         trailCount = 2;
         codePoint = lead & 0x0F;
         if (lead == 0xE0)
            firstLow = 0xA0;
         else if (lead == 0xED)
            firstHigh = 0x9F; // no surrogates
      }
      else if (inRange(lead, 0xF0, 0xF4))
      {
         trailCount = 3;
         codePoint = lead & 0x07;
         if (lead == 0xF0)
            firstLow = 0x90;
         else if (lead == 0xF4)
            firstHigh = 0x8F; // nothing above U+10FFFF
      }
      else
      {
         emit(kReplacement);
         ++i;
         continue;
      }

      std::size_t next = i + 1;
      bool wellFormed = true;
      for (int k = 0; k < trailCount; ++k, ++next)
      {
         const unsigned char low = k == 0 ? firstLow : 0x80;
         const unsigned char high = k == 0 ? firstHigh : 0xBF;
         if (next >= length || !inRange(text[next], low, high))
         {
            wellFormed = false;
            break;
         }
         codePoint = (codePoint << 6) | (text[next] & 0x3F);
      }
      emit(wellFormed ? codePoint : kReplacement);
      i = next;
   }
}

// Calls emit(codePoint) for every scalar value of the UTF-16 text. Units above
// 0xFFFF that are code points are taken whole; anything else invalid is U+FFFD.
template <typename Emit>
void decodeUtf16(const wchar_t* text, std::size_t length, Emit emit)
{
   for (std::size_t i = 0; i < length; ++i)
   {
      const auto unit = static_cast<std::uint32_t>(text[i]);
      if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length)
      {
         const auto trail = static_cast<std::uint32_t>(text[i + 1]);
         if (trail >= 0xDC00 && trail <= 0xDFFF)
         {
            emit(0x10000 + ((unit - 0xD800) << 10) + (trail - 0xDC00));
            ++i;
            continue;
         }
      }
      const bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
      emit(surrogate || unit > 0x10FFFF ? kReplacement : static_cast<char32_t>(unit));
   }
}

std::size_t utf16Length(char32_t codePoint)
{
   return codePoint >= 0x10000 ? 2 : 1;
}

std::size_t utf8Length(char32_t codePoint)
{
   return codePoint < 0x80 ? 1 : codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
}

wchar_t* writeUtf16(char32_t codePoint, wchar_t* out)
{
   if (codePoint < 0x10000)
   {
      *out++ = static_cast<wchar_t>(codePoint);
      return out;
   }
   codePoint -= 0x10000;
   *out++ = static_cast<wchar_t>(0xD800 + (codePoint >> 10));
   *out++ = static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF));
   return out;
}

char* writeUtf8(char32_t codePoint, char* out)
{
   if (codePoint < 0x80)
   {
      *out++ = static_cast<char>(codePoint);
   }
   else if (codePoint < 0x800)
   {
      *out++ = static_cast<char>(0xC0 | (codePoint >> 6));
      *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
   }
   else if (codePoint < 0x10000)
   {
      *out++ = static_cast<char>(0xE0 | (codePoint >> 12));
      *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
   }
   else
   {
      *out++ = static_cast<char>(0xF0 | (codePoint >> 18));
      *out++ = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
      *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
   }
   return out;
}

int fail(DWORD errorCode)
{
   SetLastError(errorCode);
   return 0;
}

// The Windows buffer protocol: a size of 0 asks for the count; a smaller buffer fails.
template <typename Count, typename Write>
int convertInto(int capacity, Count count, Write write)
{
   const std::size_t required = count();
   if (required > static_cast<std::size_t>(INT32_MAX))
      return fail(ERROR_NOT_ENOUGH_MEMORY);
   if (capacity == 0)
      return static_cast<int>(required);
   if (required > static_cast<std::size_t>(capacity))
      return fail(ERROR_INSUFFICIENT_BUFFER);
   write();
   return static_cast<int>(required);
}

} // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH multiByteStr, int multiByteCount,
                        LPWSTR wideCharStr, int wideCharCount)
{
   if (velorin::platform::consumeArmedFailure("MultiByteToWideChar"))
      return 0;
   if (multiByteStr == nullptr || multiByteCount == 0 || multiByteCount < -1 || wideCharCount < 0 ||
       (wideCharCount > 0 && wideCharStr == nullptr))
      return fail(ERROR_INVALID_PARAMETER);
   if (codePage != CP_UTF8)
      return fail(ERROR_INVALID_PARAMETER);
   if (flags != 0)
      return fail(ERROR_INVALID_FLAGS);

   // A length of -1 takes the NUL-terminated text, NUL included.
   const std::size_t length =
      multiByteCount == -1 ? std::strlen(multiByteStr) + 1 : static_cast<std::size_t>(multiByteCount);
   const auto* bytes = reinterpret_cast<const unsigned char*>(multiByteStr);

   return convertInto(
      wideCharCount,
      [&] {
         std::size_t units = 0;
         decodeUtf8(bytes, length, [&](char32_t cp) { units += utf16Length(cp); });
         return units;
      },
      [&] {
         wchar_t* out = wideCharStr;
         decodeUtf8(bytes, length, [&](char32_t cp) { out = writeUtf16(cp, out); });
      });
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wideCharStr, int wideCharCount,
                        LPSTR multiByteStr, int multiByteCount, LPCCH defaultChar,
                        LPBOOL usedDefaultChar)
{
   if (velorin::platform::consumeArmedFailure("WideCharToMultiByte"))
      return 0;
   if (wideCharStr == nullptr || wideCharCount == 0 || wideCharCount < -1 || multiByteCount < 0 ||
       (multiByteCount > 0 && multiByteStr == nullptr))
      return fail(ERROR_INVALID_PARAMETER);
   if (codePage != CP_UTF8 || defaultChar != nullptr || usedDefaultChar != nullptr)
      return fail(ERROR_INVALID_PARAMETER);
   if (flags != 0)
      return fail(ERROR_INVALID_FLAGS);

   const std::size_t length =
      wideCharCount == -1 ? std::wcslen(wideCharStr) + 1 : static_cast<std::size_t>(wideCharCount);

   return convertInto(
      multiByteCount,
      [&] {
         std::size_t bytes = 0;
         decodeUtf16(wideCharStr, length, [&](char32_t cp) { bytes += utf8Length(cp); });
         return bytes;
      },
      [&] {
         char* out = multiByteStr;
         decodeUtf16(wideCharStr, length, [&](char32_t cp) { out = writeUtf8(cp, out); });
      });
}

namespace velorin::platform {

std::wstring utf16FromUtf8(const std::string& text)
{
   std::wstring wide;
   decodeUtf8(reinterpret_cast<const unsigned char*>(text.data()), text.size(),
              [&](char32_t cp) {
                 wchar_t units[2];
                 wide.append(units, writeUtf16(cp, units));
              });
   return wide;
}

std::string utf8FromUtf16(const wchar_t* text, std::size_t length)
{
   std::string narrow;
   decodeUtf16(text, length, [&](char32_t cp) {
      char bytes[4];
      narrow.append(bytes, writeUtf8(cp, bytes));
   });
   return narrow;
}

} // namespace velorin::platform
