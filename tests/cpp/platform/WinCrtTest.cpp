// WinCrtTest.cpp: the C runtime's wctomb in the "C" locale and in others, its low-level
// file reading with Windows' errno numbers, and its command pipes and terminal tests.
#include <platform/Win32Api.hpp>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include <locale.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <platform/TestHooks.hpp>

#include "ScratchFolder.hpp"

namespace {

using velorin::core::testing::ScratchFolder;

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

// A backslash separates as on Windows, and a read past the end gives 0.
TEST(WinCrt, OpenReadsAFileWholeInBinary)
{
   const ScratchFolder folder("crt-read-%%%%-%%%%");
   const std::string content("line\r\nnext\x1A\0end", 16);
   std::ofstream((folder / "data.bin").string(), std::ios::binary) << content;

   const std::string path = folder.string() + "\\data.bin";
   const int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
   ASSERT_GE(fd, 0) << errno;
   char buffer[64] = {};
   EXPECT_EQ(static_cast<int>(content.size()), _read(fd, buffer, sizeof buffer));
   EXPECT_EQ(content, std::string(buffer, content.size()));
   EXPECT_EQ(0, _read(fd, buffer, sizeof buffer));
   EXPECT_EQ(0, _close(fd));
}

TEST(WinCrt, OpenFailuresSetWindowsErrnoNumbers)
{
   const ScratchFolder folder("crt-open-%%%%-%%%%");
   std::ofstream((folder / "text.txt").string()) << "text";
   const struct
   {
      std::string path;
      int flags;
      int errnoValue;
   } cases[] = {
      {(folder / "missing.bin").string(), _O_RDONLY | _O_BINARY, 2},
      {(folder / "no-folder" / "missing.bin").string(), _O_RDONLY | _O_BINARY, 2},
      {"", _O_RDONLY | _O_BINARY, 2},
      {folder.string(), _O_RDONLY | _O_BINARY, 13},
      {(folder / "text.txt").string(), _O_RDONLY, 22}, // text mode is not provided
      {(folder / std::string(300, 'n')).string(), _O_RDONLY | _O_BINARY, 38},
   };
   for (const auto& c : cases)
   {
      errno = 0;
      EXPECT_EQ(-1, _open(c.path.c_str(), c.flags)) << c.path;
      EXPECT_EQ(c.errnoValue, errno) << c.path;
   }
}

TEST(WinCrt, ReadAndCloseOfAnUnknownDescriptorSetEbadf)
{
   char buffer[4];
   errno = 0;
   EXPECT_EQ(-1, _read(-1, buffer, sizeof buffer));
   EXPECT_EQ(9, errno);
   errno = 0;
   EXPECT_EQ(-1, _close(-1));
   EXPECT_EQ(9, errno);
}

TEST(WinCrt, FileCallFailuresCanBeForcedThroughErrno)
{
   const ScratchFolder folder("crt-hook-%%%%-%%%%");
   const std::string path = (folder / "data.bin").string();
   std::ofstream(path, std::ios::binary) << "data";

   velorin::platform::failNext("_open", 13);
   errno = 0;
   EXPECT_EQ(-1, _open(path.c_str(), _O_RDONLY | _O_BINARY));
   EXPECT_EQ(13, errno);

   const int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
   ASSERT_GE(fd, 0);
   char buffer[8];
   velorin::platform::failNext("_read", 5);
   EXPECT_EQ(-1, _read(fd, buffer, sizeof buffer));
   EXPECT_EQ(5, errno);
   EXPECT_EQ(4, _read(fd, buffer, sizeof buffer));
   velorin::platform::failNext("_close", 9);
   EXPECT_EQ(-1, _close(fd));
   EXPECT_EQ(9, errno);
   EXPECT_EQ(0, _close(fd)); // the forced failure left the descriptor open
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
