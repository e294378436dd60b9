// WinText.cpp: MultiByteToWideChar and WideCharToMultiByte over a UTF-8/UTF-16 codec,
// a Windows-1252 table and iconv.
//
// The codec is lenient as Windows is with flags 0: each maximal ill-formed
// subsequence of UTF-8 becomes one U+FFFD (Unicode's recommended practice), and
// each unpaired surrogate of UTF-16 becomes U+FFFD. Path text is the exception:
// Linux names are bytes, so each byte that does not decode stands for itself as the
// lone surrogate U+DC80..U+DCFF, and a listed name reaches its entry again. The ANSI code page (CP_ACP) is
// Windows-1252, from a table of our own because iconv refuses the five bytes that
// Windows maps to C1 controls; other code pages go through iconv, and one that
// iconv does not know is invalid (87), as an unknown code page is on Windows.
#include <platform/win32/WinText.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>

#include <iconv.h>

#include "FailureHook.hpp"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool inRange(unsigned char byte, unsigned char low, unsigned char high)
{
   return byte >= low && byte <= high;
}

// Decodes the sequence that starts at text[i], calling emit(codePoint) for a scalar
// value or emitIllFormed(begin, end) for a maximal ill-formed subsequence; returns
// where the next sequence starts.
template <typename Emit, typename EmitIllFormed>
std::size_t decodeUtf8Sequence(const unsigned char* text, std::size_t length, std::size_t i, Emit& emit,
                               EmitIllFormed& emitIllFormed)
{
   const unsigned char lead = text[i];
   if (lead < 0x80)
   {
      emit(lead);
      return i + 1;
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
      emitIllFormed(text + i, text + i + 1);
      return i + 1;
   }

   std::size_t next = i + 1;
   for (int k = 0; k < trailCount; ++k, ++next)
   {
      const unsigned char low = k == 0 ? firstLow : 0x80;
      const unsigned char high = k == 0 ? firstHigh : 0xBF;
      if (next >= length || !inRange(text[next], low, high))
      {
         emitIllFormed(text + i, text + next);
         return next;
      }
      codePoint = (codePoint << 6) | (text[next] & 0x3F);
   }
   emit(codePoint);
   return next;
}

// Calls emit(codePoint) for every scalar value of the UTF-8 text, and
// emitIllFormed(begin, end) for every maximal ill-formed subsequence.
template <typename Emit, typename EmitIllFormed>
void decodeUtf8(const unsigned char* text, std::size_t length, Emit emit, EmitIllFormed emitIllFormed)
{
   for (std::size_t i = 0; i < length;)
      i = decodeUtf8Sequence(text, length, i, emit, emitIllFormed);
}

template <typename Emit>
void decodeUtf8(const unsigned char* text, std::size_t length, Emit emit)
{
   decodeUtf8(text, length, emit, [&](const unsigned char*, const unsigned char*) { emit(kReplacement); });
}

constexpr char32_t kEscapedByteBase = 0xDC00;

bool isEscapedByte(std::uint32_t unit)
{
   return unit >= kEscapedByteBase + 0x80 && unit <= kEscapedByteBase + 0xFF;
}

// UTF-8 path text as UTF-16, each byte that does not decode escaped.
template <typename Emit>
void decodePathText(const unsigned char* text, std::size_t length, Emit emit)
{
   decodeUtf8(text, length, emit, [&](const unsigned char* begin, const unsigned char* end) {
      for (; begin != end; ++begin)
         emit(kEscapedByteBase + *begin);
   });
}

// Calls emit(codePoint) for every scalar value of the UTF-16 text. Units above
// 0xFFFF that are code points are taken whole; emitUnpaired(unit) gets every unpaired
// surrogate, and anything else invalid is U+FFFD.
template <typename Emit, typename EmitUnpaired>
void decodeUtf16(const wchar_t* text, std::size_t length, Emit emit, EmitUnpaired emitUnpaired)
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
      if (unit >= 0xD800 && unit <= 0xDFFF)
         emitUnpaired(unit);
      else
         emit(unit > 0x10FFFF ? kReplacement : static_cast<char32_t>(unit));
   }
}

template <typename Emit>
void decodeUtf16(const wchar_t* text, std::size_t length, Emit emit)
{
   decodeUtf16(text, length, emit, [&](std::uint32_t) { emit(kReplacement); });
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

// UTF-8 text decoded as decodeUtf8 does, straight into a buffer of capacity units,
// runs of ASCII eight bytes at a time. False, with the buffer partly written, when the
// units do not fit.
bool decodeUtf8Into(const unsigned char* text, std::size_t length, wchar_t* out, std::size_t capacity,
                    std::size_t* written)
{
   constexpr std::uint64_t kHighBits = 0x8080808080808080u;
   wchar_t* const begin = out;
   wchar_t* const end = out + capacity;
   bool fits = true;
   const auto emit = [&](char32_t codePoint) {
      if (end - out < static_cast<std::ptrdiff_t>(utf16Length(codePoint)))
         fits = false;
      else
         out = writeUtf16(codePoint, out);
   };
   const auto emitIllFormed = [&](const unsigned char*, const unsigned char*) { emit(kReplacement); };

   std::size_t i = 0;
   while (i < length && fits)
   {
      std::uint64_t block;
      if (length - i >= 8 && end - out >= 8 && (std::memcpy(&block, text + i, 8), (block & kHighBits) == 0))
      {
         for (int k = 0; k < 8; ++k)
            out[k] = static_cast<wchar_t>(text[i + k]);
         out += 8;
         i += 8;
         continue;
      }
      i = decodeUtf8Sequence(text, length, i, emit, emitIllFormed);
   }
   *written = static_cast<std::size_t>(out - begin);
   return fits;
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

// Emitters for the decoders that append each code point to a string.
auto utf8Appender(std::string& narrow)
{
   return [&narrow](char32_t codePoint) {
      char bytes[4];
      narrow.append(bytes, writeUtf8(codePoint, bytes));
   };
}

auto utf16Appender(std::wstring& wide)
{
   return [&wide](char32_t codePoint) {
      wchar_t units[2];
      wide.append(units, writeUtf16(codePoint, units));
   };
}

// The bytes a wide path stands for; false when it holds an unpaired surrogate that
// stands for no byte, which becomes U+FFFD in the text.
bool pathBytes(const wchar_t* path, std::size_t length, std::string& bytes)
{
   bool nameable = true;
   const auto append = utf8Appender(bytes);
   decodeUtf16(path, length, append, [&](std::uint32_t unit) {
      if (isEscapedByte(unit))
      {
         bytes.push_back(static_cast<char>(unit - kEscapedByteBase));
         return;
      }
      nameable = false;
      append(kReplacement);
   });
   return nameable;
}

// Windows-1252 bytes 0x80-0x9F; every other byte is the code point of its value.
// 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character and map to the C1 control of
// the same value, as Windows maps them.
constexpr char16_t kWindows1252High[32] = {
   0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
   0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t decodeWindows1252(unsigned char byte)
{
   return byte >= 0x80 && byte <= 0x9F ? kWindows1252High[byte - 0x80] : byte;
}

// The byte for the code point, or -1 when Windows-1252 has none.
int encodeWindows1252(char32_t codePoint)
{
   if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
      return static_cast<int>(codePoint);
   for (int i = 0; i < 32; ++i)
   {
      if (kWindows1252High[i] == codePoint)
         return 0x80 + i;
   }
   return -1;
}

bool isWindows1252(UINT codePage)
{
   constexpr UINT kThreadAnsiCodePage = 3; // CP_THREAD_ACP
   return codePage == CP_ACP || codePage == kThreadAnsiCodePage || codePage == 1252;
}

// iconv's name for a Windows code page that it knows under another name than CP<n>.
std::string iconvName(UINT codePage)
{
   switch (codePage)
   {
      case 1: return "CP437"; // CP_OEMCP
      case 2: return "MACINTOSH"; // CP_MACCP
      case 10000: return "MACINTOSH";
      case 20127: return "ASCII";
      case 20866: return "KOI8-R";
      case 20932: return "EUC-JP";
      case 21866: return "KOI8-U";
      case 28591: return "ISO-8859-1";
      case 28592: return "ISO-8859-2";
      case 28593: return "ISO-8859-3";
      case 28594: return "ISO-8859-4";
      case 28595: return "ISO-8859-5";
      case 28596: return "ISO-8859-6";
      case 28597: return "ISO-8859-7";
      case 28598: return "ISO-8859-8";
      case 28599: return "ISO-8859-9";
      case 28603: return "ISO-8859-13";
      case 28605: return "ISO-8859-15";
      case 50220: return "ISO-2022-JP";
      case 51932: return "EUC-JP";
      case 51949: return "EUC-KR";
      case 54936: return "GB18030";
      case 65000: return "UTF-7";
      default: return "CP" + std::to_string(codePage);
   }
}

// An iconv descriptor for one conversion, closed with its scope.
class IconvConverter
{
public:
   IconvConverter(const std::string& to, const std::string& from)
      : cd_(::iconv_open(to.c_str(), from.c_str()))
   {
   }
   ~IconvConverter()
   {
      if (isOpen())
         ::iconv_close(cd_);
   }
   IconvConverter(const IconvConverter&) = delete;
   IconvConverter& operator=(const IconvConverter&) = delete;

   bool isOpen() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
   iconv_t get() const { return cd_; }

private:
   iconv_t cd_;
};

char32_t readUtf32Le(const unsigned char* bytes)
{
   return static_cast<char32_t>(bytes[0]) | static_cast<char32_t>(bytes[1]) << 8 |
          static_cast<char32_t>(bytes[2]) << 16 | static_cast<char32_t>(bytes[3]) << 24;
}

// Decodes text of an iconv code page; a byte iconv cannot convert becomes U+FFFD.
std::u32string decodeWithIconv(iconv_t cd, const char* text, std::size_t length)
{
   std::u32string codePoints;
   char* in = const_cast<char*>(text);
   std::size_t inLeft = length;
   unsigned char chunk[4096];
   while (inLeft > 0)
   {
      char* out = reinterpret_cast<char*>(chunk);
      std::size_t outLeft = sizeof(chunk);
      const std::size_t result = ::iconv(cd, &in, &inLeft, &out, &outLeft);
      const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
      for (unsigned char* p = chunk; p + 4 <= reinterpret_cast<unsigned char*>(out); p += 4)
         codePoints.push_back(readUtf32Le(p));
      // EILSEQ, or EINVAL for a sequence cut by the end: one byte is replaced.
      if (error != 0 && error != E2BIG)
      {
         codePoints.push_back(kReplacement);
         ++in;
         --inLeft;
      }
   }
   return codePoints;
}

// Encodes code points into an iconv code page; one it lacks becomes defaultChar.
std::string encodeWithIconv(iconv_t cd, const std::u32string& codePoints, char defaultChar, bool* usedDefault)
{
   std::string bytes;
   char chunk[64];
   for (char32_t codePoint : codePoints)
   {
      unsigned char unit[4] = {static_cast<unsigned char>(codePoint), static_cast<unsigned char>(codePoint >> 8),
                               static_cast<unsigned char>(codePoint >> 16),
                               static_cast<unsigned char>(codePoint >> 24)};
      char* in = reinterpret_cast<char*>(unit);
      std::size_t inLeft = sizeof(unit);
      char* out = chunk;
      std::size_t outLeft = sizeof(chunk);
      if (::iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1))
      {
         bytes.push_back(defaultChar);
         *usedDefault = true;
         continue;
      }
      bytes.append(chunk, static_cast<std::size_t>(out - chunk));
   }
   // Stateful encodings return to their initial shift state at the end.
   char* out = chunk;
   std::size_t outLeft = sizeof(chunk);
   ::iconv(cd, nullptr, nullptr, &out, &outLeft);
   bytes.append(chunk, static_cast<std::size_t>(out - chunk));
   return bytes;
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

// The code points that decode hands to its callback, encoded into out under the
// buffer protocol; unitsOf gives the number of output units of each.
template <typename Unit, typename Decode>
int encodeInto(Unit* out, int capacity, Decode decode, std::size_t (*unitsOf)(char32_t),
               Unit* (*encode)(char32_t, Unit*))
{
   return convertInto(
      capacity,
      [&] {
         std::size_t units = 0;
         decode([&](char32_t cp) { units += unitsOf(cp); });
         return units;
      },
      [&] { decode([&](char32_t cp) { out = encode(cp, out); }); });
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

   const bool utf8 = codePage == CP_UTF8;
   std::string iconvCodePage;
   if (!utf8 && !isWindows1252(codePage))
   {
      iconvCodePage = iconvName(codePage);
      if (!IconvConverter("UTF-32LE", iconvCodePage).isOpen())
         return fail(ERROR_INVALID_PARAMETER);
   }
   if (flags != 0)
      return fail(ERROR_INVALID_FLAGS);

   // A length of -1 takes the NUL-terminated text, NUL included.
   const std::size_t length =
      multiByteCount == -1 ? std::strlen(multiByteStr) + 1 : static_cast<std::size_t>(multiByteCount);
   const auto* bytes = reinterpret_cast<const unsigned char*>(multiByteStr);

   if (utf8)
   {
      // A buffer that holds the text is filled in one pass; the size query, and the
      // failure that a buffer too small gets, come from counting.
      std::size_t written = 0;
      if (wideCharCount > 0 &&
          decodeUtf8Into(bytes, length, wideCharStr, static_cast<std::size_t>(wideCharCount), &written))
         return static_cast<int>(written);
      const auto decode = [&](auto emit) { decodeUtf8(bytes, length, emit); };
      return encodeInto(wideCharStr, wideCharCount, decode, utf16Length, writeUtf16);
   }

   std::u32string codePoints;
   if (iconvCodePage.empty())
   {
      codePoints.reserve(length);
      for (std::size_t i = 0; i < length; ++i)
         codePoints.push_back(decodeWindows1252(bytes[i]));
   }
   else
   {
      const IconvConverter converter("UTF-32LE", iconvCodePage);
      codePoints = decodeWithIconv(converter.get(), multiByteStr, length);
   }
   const auto decode = [&](auto emit) {
      for (char32_t cp : codePoints)
         emit(cp);
   };
   return encodeInto(wideCharStr, wideCharCount, decode, utf16Length, writeUtf16);
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

   const bool utf8 = codePage == CP_UTF8;
   std::string iconvCodePage;
   if (utf8 && (defaultChar != nullptr || usedDefaultChar != nullptr))
      return fail(ERROR_INVALID_PARAMETER);
   if (!utf8 && !isWindows1252(codePage))
   {
      iconvCodePage = iconvName(codePage);
      if (!IconvConverter(iconvCodePage, "UTF-32LE").isOpen())
         return fail(ERROR_INVALID_PARAMETER);
   }
   if (flags != 0)
      return fail(ERROR_INVALID_FLAGS);

   const std::size_t length =
      wideCharCount == -1 ? std::wcslen(wideCharStr) + 1 : static_cast<std::size_t>(wideCharCount);

   if (utf8)
   {
      const auto decode = [&](auto emit) { decodeUtf16(wideCharStr, length, emit); };
      return encodeInto(multiByteStr, multiByteCount, decode, utf8Length, writeUtf8);
   }

   std::u32string codePoints;
   decodeUtf16(wideCharStr, length, [&](char32_t cp) { codePoints.push_back(cp); });
   const char fallback = defaultChar != nullptr ? *defaultChar : '?';
   bool usedDefault = false;
   std::string bytes;
   if (iconvCodePage.empty())
   {
      bytes.reserve(codePoints.size());
      for (char32_t cp : codePoints)
      {
         const int byte = encodeWindows1252(cp);
         usedDefault = usedDefault || byte < 0;
         bytes.push_back(byte < 0 ? fallback : static_cast<char>(byte));
      }
   }
   else
   {
      const IconvConverter converter(iconvCodePage, "UTF-32LE");
      bytes = encodeWithIconv(converter.get(), codePoints, fallback, &usedDefault);
   }
   if (usedDefaultChar != nullptr)
      *usedDefaultChar = usedDefault ? TRUE : FALSE;
   return convertInto(
      multiByteCount, [&] { return bytes.size(); },
      [&] { std::memcpy(multiByteStr, bytes.data(), bytes.size()); });
}

namespace velorin::platform {

boost::filesystem::path boostPath(const std::wstring& path)
{
   return boost::filesystem::path(bytesFromWidePath(path.data(), path.size()));
}

std::string bytesFromWidePath(const wchar_t* path, std::size_t length)
{
   std::string bytes;
   return pathBytes(path, length, bytes) ? bytes : std::string();
}

bool isNameablePath(const std::wstring& path)
{
   std::string bytes;
   return pathBytes(path.c_str(), std::wcslen(path.c_str()), bytes);
}

std::wstring utf16FromUtf8(const std::string& text)
{
   std::wstring wide;
   decodeUtf8(reinterpret_cast<const unsigned char*>(text.data()), text.size(), utf16Appender(wide));
   return wide;
}

std::string utf8FromUtf16(const wchar_t* text, std::size_t length)
{
   std::string narrow;
   decodeUtf16(text, length, utf8Appender(narrow));
   return narrow;
}

std::string utf8PathFromWide(const std::wstring& path)
{
   if (consumeArmedFailure("utf8PathFromWide"))
      return std::string();
   std::string text;
   pathBytes(path.c_str(), std::wcslen(path.c_str()), text);
   return text;
}

std::wstring wideFromBoostPath(const boost::filesystem::path& path)
{
   return widePathFromBytes(path.native());
}

std::wstring widePathFromBytes(const std::string& path)
{
   // Names are mostly ASCII, which widens unit for unit.
   if (std::all_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
      return std::wstring(path.begin(), path.end());
   std::wstring wide;
   wide.reserve(path.size());
   decodePathText(reinterpret_cast<const unsigned char*>(path.data()), path.size(), utf16Appender(wide));
   return wide;
}

std::wstring widePathFromUtf8(const std::string& path)
{
   if (consumeArmedFailure("widePathFromUtf8"))
      return std::wstring();
   return widePathFromBytes(std::string(path.c_str()));
}

std::string ansiFromUtf8(const std::string& text)
{
   std::string ansi;
   decodeUtf8(reinterpret_cast<const unsigned char*>(text.data()), text.size(), [&](char32_t cp) {
      const int byte = encodeWindows1252(cp);
      ansi.push_back(byte < 0 ? '?' : static_cast<char>(byte));
   });
   return ansi;
}

std::string utf8FromAnsi(const std::string& text)
{
   std::string narrow;
   for (unsigned char byte : text)
   {
      char bytes[4];
      narrow.append(bytes, writeUtf8(decodeWindows1252(byte), bytes));
   }
   return narrow;
}

} // namespace velorin::platform
