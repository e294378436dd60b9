// WinTextTest.cpp: the UTF-8/UTF-16 codec and the Windows buffer protocol.
#include <platform/Win32Api.hpp>
#include <platform/TestHooks.hpp>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Converts through the size query and an exact buffer, as callers do.
std::u16string toUtf16(const std::string& bytes)
{
   const int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
   std::vector<wchar_t> buffer(static_cast<std::size_t>(size));
   EXPECT_EQ(size, MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                       buffer.data(), size));
   return std::u16string(buffer.begin(), buffer.end());
}

std::string toUtf8(const std::u16string& units)
{
   const std::wstring wide(units.begin(), units.end());
   const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                        nullptr, nullptr);
   std::string buffer(static_cast<std::size_t>(size), '\0');
   WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), buffer.data(), size, nullptr,
                       nullptr);
   return buffer;
}

struct Utf8Case
{
   const char* name;
   std::string utf8;
   std::u16string utf16;
};

TEST(WinTextTest, DecodesUtf8WithOneReplacementPerMaximalIllFormedSubsequence)
{
   const std::vector<Utf8Case> cases = {
      {"ascii", "abc", u"abc"},
      {"two-byte", "\xC3\xA9", u"\u00E9"},
      {"three-byte", "\xE2\x82\xAC", u"\u20AC"},
      {"non-BMP becomes a surrogate pair", "\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
      {"lone continuation byte", "a\x80z", u"a\uFFFDz"},
      {"truncated three-byte sequence is one subsequence", "\xE2\x82z", u"\uFFFDz"},
      {"overlong two-byte lead", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"invalid lead bytes", "\xFF\xFE", u"\uFFFD\uFFFD"},
      {"truncated at the end", "ab\xF0\x9F\x98", u"ab\uFFFD"},
      {"embedded NUL is kept with an explicit length", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.utf16, toUtf16(c.utf8)) << c.name;
}

// A buffer with room to spare is filled in one pass, runs of ASCII in blocks: ASCII
// around each sequence, at every offset from a block's start, must not change the
// units, their count, or the failure of a buffer one unit short.
TEST(WinTextTest, OnePassIntoALargerBufferGivesWhatTheSizeQueryCounts)
{
   const std::vector<std::string> sequences = {
      "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\x80", "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80",
      "\xF4\x90\x80\x80", "\xFF", std::string("\0", 1), "\xF0\x9F\x98", "\xE0\xA0\x80", "\xE0\x9F\xBF",
      "\xED\x9F\xBF", "\xEF\xBF\xBD", "\xC2\x80", "\xDF\xBF", "\xC3z", "\xE6\x97z"};
   for (const std::string& sequence : sequences)
   {
      for (std::size_t before = 0; before <= 17; ++before)
      {
         const std::string text = std::string(before, 'a') + sequence + std::string(19 - before, 'z') + sequence;
         const std::u16string expected = toUtf16(text);
         std::vector<wchar_t> buffer(text.size() + 3, L'#');
         const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                              buffer.data(), static_cast<int>(buffer.size()));
         ASSERT_EQ(static_cast<int>(expected.size()), size) << before << " before " << sequence;
         EXPECT_EQ(expected, std::u16string(buffer.begin(), buffer.begin() + size)) << before << " before " << sequence;
         EXPECT_EQ(L'#', buffer[static_cast<std::size_t>(size)]);

         SetLastError(0);
         EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), buffer.data(),
                                          size - 1));
         EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
      }
   }
}

TEST(WinTextTest, EncodesUtf16WithReplacementForUnpairedSurrogates)
{
   const std::vector<Utf8Case> cases = {
      {"ascii", "abc", u"abc"},
      {"surrogate pair", "\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
      {"lone high surrogate", "a\xEF\xBF\xBDz", u"a\xD83Dz"},
      {"lone low surrogate", "\xEF\xBF\xBD", u"\xDE00"},
      {"high surrogate at the end", "a\xEF\xBF\xBD", u"a\xD83D"},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.utf8, toUtf8(c.utf16)) << c.name;
}

TEST(WinTextTest, PathTextKeepsEveryByteOfAName)
{
   using velorin::platform::utf8PathFromWide;
   using velorin::platform::widePathFromUtf8;
   // Each byte that does not decode stands for itself as U+DC00 + byte.
   const std::vector<Utf8Case> cases = {
      {"UTF-8 decodes as text does", "caf\xC3\xA9/\xF0\x9F\x98\x80", u"caf\u00E9/\xD83D\xDE00"},
      {"Latin-1 byte", "caf\xE9.txt", u"caf\xDCE9.txt"},
      {"truncated sequence, byte by byte", "\xE2\x82z", u"\xDCE2\xDC82z"},
      {"encoded surrogate", "\xED\xB3\xA9", u"\xDCED\xDCB3\xDCA9"},
      {"invalid lead bytes", "\xFF\xFE", u"\xDCFF\xDCFE"},
      {"truncated at the end", "ab\xF0\x9F\x98", u"ab\xDCF0\xDC9F\xDC98"},
   };
   for (const auto& c : cases)
   {
      const std::wstring wide(c.utf16.begin(), c.utf16.end());
      EXPECT_EQ(wide, widePathFromUtf8(c.utf8)) << c.name;
      EXPECT_EQ(c.utf8, utf8PathFromWide(wide)) << c.name;
   }

   std::string everyByte;
   for (int byte = 1; byte < 256; ++byte)
      everyByte.push_back(static_cast<char>(byte));
   EXPECT_EQ(everyByte, utf8PathFromWide(widePathFromUtf8(everyByte)));

   // Other unpaired surrogates stand for no byte: as text they are U+FFFD, and a path
   // holding one names nothing. Text is read up to a NUL.
   const std::wstring unnameable = L"a\xD83Dz\xDC7F";
   EXPECT_EQ("a\xEF\xBF\xBDz\xEF\xBF\xBD", utf8PathFromWide(unnameable));
   EXPECT_EQ("", velorin::platform::bytesFromWidePath(unnameable.c_str(), unnameable.size()));
   EXPECT_FALSE(velorin::platform::isNameablePath(unnameable));
   EXPECT_TRUE(velorin::platform::isNameablePath(L"caf\xDCE9.txt"));
   EXPECT_EQ(L"ab", widePathFromUtf8(std::string("ab\0cd", 5)));
   EXPECT_EQ("ab", utf8PathFromWide(std::wstring(L"ab\0cd", 5)));

   velorin::platform::failNext("widePathFromUtf8", ERROR_NOT_ENOUGH_MEMORY);
   EXPECT_EQ(L"", widePathFromUtf8("abc"));
   EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, GetLastError());
   EXPECT_EQ(L"abc", widePathFromUtf8("abc"));
}

TEST(WinTextTest, APathCrossesToBoostAndBackWithItsBytes)
{
   struct Case
   {
      const char* name;
      std::u16string wide;
      std::string bytes;
   };
   const Case cases[] = {
      {"character outside ASCII", u"/home/Jos\u00E9/f.txt", "/home/Jos\xC3\xA9/f.txt"},
      {"byte that does not decode", u"/tmp/caf\xDCE9.txt", "/tmp/caf\xE9.txt"},
   };
   for (const auto& c : cases)
   {
      const std::wstring wide(c.wide.begin(), c.wide.end());
      const boost::filesystem::path path = velorin::platform::boostPath(wide);
      EXPECT_EQ(c.bytes, path.native()) << c.name;
      EXPECT_EQ(wide, velorin::platform::wideFromBoostPath(path)) << c.name;
   }
   // A path that names nothing reaches nothing, not the entry named by U+FFFD.
   EXPECT_TRUE(velorin::platform::boostPath(L"/tmp/a\xD83Dz").empty());
}

TEST(WinTextTest, LengthMinusOneCountsTheTerminatingNul)
{
   EXPECT_EQ(4, MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 0));
   // The pair counts as two units, as on Windows.
   EXPECT_EQ(3, MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", -1, nullptr, 0));
   const wchar_t pair[] = {0xD83D, 0xDE00, 0};
   EXPECT_EQ(5, WideCharToMultiByte(CP_UTF8, 0, pair, -1, nullptr, 0, nullptr, nullptr));
}

TEST(WinTextTest, FailsWithWindowsErrorCodes)
{
   wchar_t small[2];
   SetLastError(0);
   EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0, "abc", -1, small, 2));
   EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());

   EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0, nullptr, -1, nullptr, 0));
   EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());

   EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0, "abc", 0, nullptr, 0));
   EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());

   EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 1, "abc", -1, nullptr, 0));
   EXPECT_EQ(ERROR_INVALID_FLAGS, GetLastError());

   char used = '?';
   EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, L"abc", -1, nullptr, 0, &used, nullptr));
   EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST(WinTextTest, ArmedFailureFailsOnlyTheNextCall)
{
   velorin::platform::failNext("MultiByteToWideChar", ERROR_NO_UNICODE_TRANSLATION);
   EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 0));
   EXPECT_EQ(ERROR_NO_UNICODE_TRANSLATION, GetLastError());
   EXPECT_EQ(4, MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 0));
}

} // namespace
