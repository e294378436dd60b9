// WinCrtTest.cpp: the C runtime's wctomb in the "C" locale and in others.
#include <platform/Win32Api.hpp>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

#include <locale.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <platform/TestHooks.hpp>

namespace {

TEST(WinCrt, WctombInTheCLocaleMapsUnitsUpToFf)
{
   char bytes[8] = {};
   EXPECT_EQ(1, velorin::platform::wctomb(bytes, 0xE9));
   EXPECT_EQ('\xE9', bytes[0]);
   EXPECT_EQ(1, velorin::platform::wctomb(bytes, L'a'));
   EXPECT_EQ('a', bytes[0]);
   EXPECT_EQ(1, velorin::platform::wctomb(bytes, 0));
   EXPECT_EQ('\0', bytes[0]);
   EXPECT_EQ(1, velorin::platform::wctomb(bytes, 0xFF));
   for (wchar_t unit : {wchar_t(0x100), wchar_t(0x20AC), wchar_t(0xD83D), wchar_t(-1)})
      EXPECT_EQ(-1, velorin::platform::wctomb(bytes, unit)) << static_cast<long>(unit);
   EXPECT_EQ(0, velorin::platform::wctomb(nullptr, L'a'));
}

TEST(WinCrt, WctombFollowsTheThreadsLocale)
{
   // Only this thread's locale changes; the process's stays the "C" locale.
   const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
   if (utf8 == static_cast<locale_t>(nullptr))
      GTEST_SKIP() << "no C.UTF-8 locale";
   const locale_t previous = ::uselocale(utf8);
   char bytes[8] = {};
   EXPECT_EQ(3, velorin::platform::wctomb(bytes, 0x20AC));
   EXPECT_EQ(0, std::memcmp(bytes, "\xE2\x82\xAC", 3));
   EXPECT_EQ(2, velorin::platform::wctomb(bytes, 0xE9));
   EXPECT_EQ(-1, velorin::platform::wctomb(bytes, 0xD83D));
   ::uselocale(previous);
   ::freelocale(utf8);
   EXPECT_STREQ("C", std::setlocale(LC_CTYPE, nullptr));
}

TEST(WinCrt, WctombFailureCanBeForced)
{
   char bytes[8] = {};
   velorin::platform::failNext("wctomb", ERROR_NO_UNICODE_TRANSLATION);
   EXPECT_EQ(-1, velorin::platform::wctomb(bytes, L'a'));
   EXPECT_EQ(1, velorin::platform::wctomb(bytes, L'a'));
}

// Command pipes and terminal tests.

std::string readAll(std::FILE* pipe)
{
   std::string text;
   char buffer[64];
   std::size_t got;
   while ((got = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0)
      text.append(buffer, got);
   return text;
}

TEST(WinCrt, TextPipesDeliverLineEndsAsLineFeeds)
{
   struct Case
   {
      const char* mode;
      const char* expected;
   };
   const Case cases[] = {{"r", "a\nb\rc\n\r"}, {"rt", "a\nb\rc\n\r"}, {"rb", "a\r\nb\rc\r\n\r"}};
   for (const Case& c : cases)
   {
      std::FILE* pipe = ::_popen("printf 'a\\r\\nb\\rc\\r\\n\\r'; exit 3", c.mode);
      ASSERT_NE(pipe, nullptr) << c.mode;
      EXPECT_EQ(readAll(pipe), c.expected) << c.mode;
      EXPECT_EQ(::_pclose(pipe), 3) << c.mode;
   }
   EXPECT_EQ(::_isatty(::_fileno(stdin)) != 0, ::isatty(0) != 0);
}

} // namespace
