// Win32StringUtilsTest.cpp: UTF-8/UTF-16 conversion and its logged failures.
#include <shared_core/system/Win32StringUtils.hpp>

#include <platform/Win32Api.hpp>
#include <platform/TestHooks.hpp>

#include <gtest/gtest.h>

#include "CapturingLogDestination.hpp"

namespace velorin::core::string_utils {
namespace {

std::wstring units(std::initializer_list<wchar_t> list)
{
   return std::wstring(list);
}

TEST(Win32StringUtilsTest, RoundTrips)
{
   const std::pair<std::string, std::wstring> cases[] = {
      {"abc", L"abc"},
      {"\xC3\xA9", units({0xE9})},
      {"a\xF0\x9F\x98\x80z", units({L'a', 0xD83D, 0xDE00, L'z'})},
      {"\xE4\xB8\xAD\xE6\x96\x87", units({0x4E2D, 0x6587})},
   };
   for (const auto& c : cases)
   {
      EXPECT_EQ(c.second, utf8ToWide(c.first, "")) << c.first;
      EXPECT_EQ(c.first, wideToUtf8(c.second)) << c.first;
   }
}

TEST(Win32StringUtilsTest, EmptyInEmptyOutWithoutAPlatformCall)
{
#ifndef _WIN32
   // Only the Linux stand-ins can be made to fail.
   velorin::platform::failNext("MultiByteToWideChar", ERROR_INVALID_PARAMETER);
   velorin::platform::failNext("WideCharToMultiByte", ERROR_INVALID_PARAMETER);
#endif
   EXPECT_EQ(L"", utf8ToWide("", "context"));
   EXPECT_EQ("", wideToUtf8(L""));
#ifndef _WIN32
   // The armed failures were not consumed by the empty conversions.
   EXPECT_EQ(L"", utf8ToWide("a", ""));
   EXPECT_EQ("", wideToUtf8(L"a"));
#endif
}

TEST(Win32StringUtilsTest, StopsAtEmbeddedNul)
{
   EXPECT_EQ(L"ab", utf8ToWide(std::string("ab\0cd", 5), ""));
   EXPECT_EQ("ab", wideToUtf8(std::wstring(L"ab\0cd", 5)));
}

TEST(Win32StringUtilsTest, MalformedInputIsReplacedNotReported)
{
   auto destination = testing::captureLog();
   EXPECT_EQ(units({L'a', 0xFFFD, L'b'}), utf8ToWide("a\x80" "b", "context"));
   EXPECT_EQ("a\xEF\xBF\xBD", wideToUtf8(units({L'a', 0xD800})));
   EXPECT_TRUE(destination->lines().empty());
}

#ifndef _WIN32
// Arms failures of the Linux stand-ins, which Windows' own functions do not heed.
TEST(Win32StringUtilsTest, FailedSizeQueryLogsASystemErrorWithContext)
{
   auto destination = testing::captureLog();
   velorin::platform::failNext("MultiByteToWideChar", ERROR_NO_UNICODE_TRANSLATION);
   EXPECT_EQ(L"", utf8ToWide("abc", "reading PATH"));
   velorin::platform::failNext("MultiByteToWideChar", ERROR_INVALID_PARAMETER);
   EXPECT_EQ(L"", utf8ToWide("abc", ""));
   velorin::platform::failNext("WideCharToMultiByte", ERROR_INVALID_PARAMETER);
   EXPECT_EQ("", wideToUtf8(L"abc"));

   const auto lines = destination->lines();
   ASSERT_EQ(3u, lines.size());
   const std::string first = testing::withoutTimestamp(lines[0]);
   EXPECT_EQ(0u, first.find("[] ERROR system error 1113 (No mapping for the Unicode character exists in the "
                            "target multi-byte code page) [context: reading PATH]; OCCURRED AT "))
      << first;
   EXPECT_EQ(std::string::npos, first.find("LOGGED FROM"));
   EXPECT_EQ(std::string::npos, lines[1].find("context"));
   EXPECT_EQ(std::string::npos, lines[2].find("["  "context"));
   EXPECT_NE(std::string::npos, lines[2].find("system error 87 (The parameter is incorrect); OCCURRED AT"));
}
#endif

} // namespace
} // namespace velorin::core::string_utils
