// StringUtilsCodePageTest.cpp: code-page conversion and the Unicode letter tables.
#include <core/StringUtils.hpp>

#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>

#include "CapturingLogDestination.hpp"

namespace velorin::core::string_utils {
namespace {

bool isErrorLine(const std::string& line)
{
   return testing::withoutTimestamp(line).find("] ERROR ") != std::string::npos;
}

TEST(SystemToUtf8, ConvertsCodePagesToUtf8)
{
   struct Case
   {
      int codePage;
      std::string text;
      std::string expected;
   };
   const std::vector<Case> cases = {
      {1252, "\xE9", "\xC3\xA9"},
      {0, "caf\xE9", "caf\xC3\xA9"},
      {1252, "\x80\x81\x8D\x8F\x90\x9D\x9F", "\xE2\x82\xAC\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D\xC5\xB8"},
      {1252, std::string("a\0b", 3), std::string("a\0b", 3)},
      {1251, "\xC0\xFF", "\xD0\x90\xD1\x8F"},
      {932, "\x82\xA0", "\xE3\x81\x82"},
      {65001, "\xC3\xA9", "\xC3\xA9"},
   };
   for (const Case& c : cases)
      EXPECT_EQ(c.expected, systemToUtf8(c.text, c.codePage)) << "code page " << c.codePage;
   EXPECT_EQ("caf\xC3\xA9", systemToUtf8("caf\xE9"));
}

TEST(SystemToUtf8, InvalidCodePageLogsAndReturnsTheInput)
{
   auto log = testing::captureLog();
   EXPECT_EQ("\xE9", systemToUtf8("\xE9", 12345));
   const auto lines = log->lines();
   ASSERT_EQ(1u, lines.size());
   EXPECT_TRUE(isErrorLine(lines[0])) << lines[0];
   EXPECT_NE(std::string::npos, lines[0].find("system error 87")) << lines[0];
}

#ifndef _WIN32
// Arms a failure of the Linux stand-ins, which Windows' own functions do not heed.
TEST(SystemToUtf8, FailedUtf8StepLogsAndReturnsTheInput)
{
   auto log = testing::captureLog();
   platform::failNext("WideCharToMultiByte", ERROR_NOT_ENOUGH_MEMORY);
   EXPECT_EQ("\xE9", systemToUtf8("\xE9", 1252));
   ASSERT_EQ(1u, log->lines().size());
   EXPECT_NE(std::string::npos, log->lines()[0].find("system error 8 ")) << log->lines()[0];
}
#endif

TEST(CodePageConversion, EmptyInputMakesNoWindowsCall)
{
   auto log = testing::captureLog();
#ifndef _WIN32
   // Only the Linux stand-ins can be made to fail.
   platform::failNext("MultiByteToWideChar", ERROR_INVALID_PARAMETER);
#endif
   EXPECT_EQ("", systemToUtf8("", 1252));
   EXPECT_EQ("", utf8ToSystem("", true));
   EXPECT_TRUE(log->lines().empty());
#ifndef _WIN32
   // The armed failure is still there for the first real call.
   EXPECT_EQ("x", utf8ToSystem("x", false));
   EXPECT_EQ(1u, log->lines().size());
#endif
}

TEST(Utf8ToSystem, CLocaleKeepsUnitsUpToFfAndReplacesTheRest)
{
   struct Case
   {
      std::string text;
      bool escape;
      std::string expected;
   };
   const std::vector<Case> cases = {
      {"\xC3\xA9", false, "\xE9"},
      {"\xE2\x82\xAC", false, "?"},
      {"\xE2\x82\xAC", true, "\\u{20ac}"},
      {"\xF0\x9F\x98\x80", true, "\\u{d83d}\\u{de00}"},
      {"\xF0\x9F\x98\x80", false, "??"},
      {std::string("ab\0cd", 5), false, "ab"},
      {"\xFF", true, "\\u{fffd}"},
      {"plain", true, "plain"},
   };
   for (const Case& c : cases)
      EXPECT_EQ(c.expected, utf8ToSystem(c.text, c.escape)) << c.text;
}

#ifndef _WIN32
// Arms a failure of the Linux stand-ins, which Windows' own functions do not heed.
TEST(Utf8ToSystem, FailedConversionLogsAndReturnsTheInput)
{
   auto log = testing::captureLog();
   platform::failNext("MultiByteToWideChar", ERROR_INVALID_PARAMETER);
   EXPECT_EQ("\xC3\xA9", utf8ToSystem("\xC3\xA9", false));
   ASSERT_EQ(1u, log->lines().size());
   EXPECT_TRUE(isErrorLine(log->lines()[0])) << log->lines()[0];
}
#endif

TEST(CodePageConversion, Windows1252RoundTripLosesOnlyCharactersAboveLatin1)
{
   std::string every;
   for (int byte = 1; byte < 256; ++byte)
      every.push_back(static_cast<char>(byte));
   // Back through the C locale, which maps units up to 0xFF to one byte, only the
   // 27 bytes whose characters lie above U+00FF do not return.
   const std::string back = utf8ToSystem(systemToUtf8(every, 1252), false);
   ASSERT_EQ(every.size(), back.size());
   int replaced = 0;
   for (std::size_t i = 0; i < every.size(); ++i)
   {
      if (back[i] != every[i])
      {
         EXPECT_EQ('?', back[i]);
         ++replaced;
      }
   }
   EXPECT_EQ(27, replaced);
}

TEST(LetterTables, AnswerPerCodeUnit)
{
   struct Case
   {
      wchar_t unit;
      bool alpha;
      bool alnum;
   };
   const std::vector<Case> cases = {
      {L'A', true, true},         {0x00AA, true, true},  {0x0416, true, true},   {0x4E2D, true, true},
      {L'0', false, true},        {0x0663, false, true}, {L' ', false, false},   {0x00D7, false, false},
      {0xFFFF, false, false},     {0x0378, true, true},  {0x2160, true, true},   {0x0375, false, false},
      {0xFFDC, true, true},       {0xFFDD, false, false}, {0x0000, false, false}, {L'z', true, true},
      {0x0F29, false, true},      {0x0ED0, false, true}, {0xD800, false, false},
#if WCHAR_MAX > 0xFFFF
      // Units past 16 bits, where wchar_t holds them.
      {static_cast<wchar_t>(0x10000), false, false}, {static_cast<wchar_t>(-1), false, false},
#endif
   };
   for (const Case& c : cases)
   {
      EXPECT_EQ(c.alpha, isalpha(c.unit)) << std::hex << static_cast<long>(c.unit);
      EXPECT_EQ(c.alnum, isalnum(c.unit)) << std::hex << static_cast<long>(c.unit);
   }
}

} // namespace
} // namespace velorin::core::string_utils
