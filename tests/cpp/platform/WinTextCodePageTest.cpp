// WinTextCodePageTest.cpp: the code pages of MultiByteToWideChar and WideCharToMultiByte.
#include <platform/Win32Api.hpp>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// UTF-16 code units of a multibyte text, through the size query and then the buffer.
std::wstring toWide(UINT codePage, const std::string& text)
{
   const int size = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
   if (size == 0)
      return L"<error>";
   std::wstring wide(static_cast<std::size_t>(size), L'\0');
   EXPECT_EQ(size, ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), size));
   return wide;
}

std::string toMultiByte(UINT codePage, const std::wstring& wide, BOOL* usedDefault = nullptr)
{
   const int size = ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                          nullptr, usedDefault);
   if (size == 0)
      return "<error>";
   std::string bytes(static_cast<std::size_t>(size), '\0');
   EXPECT_EQ(size, ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(),
                                         size, nullptr, usedDefault));
   return bytes;
}

TEST(WinText, Windows1252MapsEveryByteAsWindowsDoes)
{
   struct Case
   {
      unsigned char byte;
      wchar_t unit;
   };
   const std::vector<Case> cases = {
      {0x41, 0x0041}, {0x80, 0x20AC}, {0x81, 0x0081}, {0x8A, 0x0160}, {0x8D, 0x008D}, {0x8F, 0x008F},
      {0x90, 0x0090}, {0x99, 0x2122}, {0x9D, 0x009D}, {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xE9, 0x00E9},
      {0xFF, 0x00FF}, {0x00, 0x0000},
   };
   for (const Case& c : cases)
   {
      const std::string byte(1, static_cast<char>(c.byte));
      for (UINT codePage : {UINT(1252), CP_ACP})
      {
         EXPECT_EQ(std::wstring(1, c.unit), toWide(codePage, byte)) << std::hex << int(c.byte);
         EXPECT_EQ(byte, toMultiByte(codePage, std::wstring(1, c.unit))) << std::hex << int(c.byte);
      }
   }
}

TEST(WinText, OtherCodePagesGoThroughIconv)
{
   EXPECT_EQ(std::wstring({0x0410, 0x044F}), toWide(1251, "\xC0\xFF"));
   EXPECT_EQ(std::wstring({0x3042, L'a'}), toWide(932, "\x82\xA0" "a"));
   EXPECT_EQ(std::wstring({0x00E9}), toWide(28591, "\xE9"));
   EXPECT_EQ(std::wstring({0x2592}), toWide(437, "\xB1"));
   // GB18030 reaches beyond the BMP: one character, a surrogate pair.
   EXPECT_EQ(std::wstring({0xD83D, 0xDE00}), toWide(54936, "\x94\x39\xFC\x36"));
   EXPECT_EQ("\xC0\xFF", toMultiByte(1251, std::wstring({0x0410, 0x044F})));
   EXPECT_EQ("\x82\xA0", toMultiByte(932, std::wstring({0x3042})));
}

TEST(WinText, BytesACodePageLacksBecomeReplacementCharacters)
{
   // 0x81 starts a double-byte character in code page 932; a lone one has no meaning.
   EXPECT_EQ(std::wstring({L'a', 0xFFFD}), toWide(932, "a\x81"));
   EXPECT_EQ(std::wstring({0xFFFD, L'b'}), toWide(20127, "\xC0" "b"));
}

TEST(WinText, CharactersACodePageLacksBecomeTheDefaultCharacter)
{
   BOOL usedDefault = FALSE;
   EXPECT_EQ("a?", toMultiByte(1252, std::wstring({L'a', 0x0416}), &usedDefault));
   EXPECT_TRUE(usedDefault);
   EXPECT_EQ("?", toMultiByte(1252, std::wstring({0xD800}), &usedDefault));
   EXPECT_EQ("?", toMultiByte(1251, std::wstring({0x00E9}), &usedDefault));
   EXPECT_TRUE(usedDefault);
   EXPECT_EQ("\xE9", toMultiByte(1252, std::wstring({0x00E9}), &usedDefault));
   EXPECT_FALSE(usedDefault);

   const wchar_t text[] = {0x0416, 0};
   char bytes[4] = {};
   const char star = '*';
   EXPECT_EQ(2, ::WideCharToMultiByte(1252, 0, text, -1, bytes, 4, &star, nullptr));
   EXPECT_STREQ("*", bytes);
}

TEST(WinText, InvalidCodePageFailsWith87)
{
   for (UINT codePage : {UINT(12345), UINT(1200), UINT(99999)})
   {
      wchar_t wide[4];
      ::SetLastError(0);
      EXPECT_EQ(0, ::MultiByteToWideChar(codePage, 0, "abc", 3, wide, 4)) << codePage;
      EXPECT_EQ(ERROR_INVALID_PARAMETER, ::GetLastError()) << codePage;

      char bytes[4];
      ::SetLastError(0);
      EXPECT_EQ(0, ::WideCharToMultiByte(codePage, 0, L"abc", 3, bytes, 4, nullptr, nullptr)) << codePage;
      EXPECT_EQ(ERROR_INVALID_PARAMETER, ::GetLastError()) << codePage;
   }
}

TEST(WinText, CodePageBuffersFollowTheWindowsProtocol)
{
   wchar_t wide[2];
   ::SetLastError(0);
   EXPECT_EQ(0, ::MultiByteToWideChar(1252, 0, "abc", 3, wide, 2));
   EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, ::GetLastError());
   // -1 takes the text up to its NUL and counts the NUL.
   EXPECT_EQ(4, ::MultiByteToWideChar(1252, 0, "ab\xE9", -1, nullptr, 0));
   EXPECT_EQ(3, ::MultiByteToWideChar(1251, 0, "a\xC0", -1, nullptr, 0));

   char bytes[2];
   ::SetLastError(0);
   EXPECT_EQ(0, ::WideCharToMultiByte(1252, 0, L"abc", 3, bytes, 2, nullptr, nullptr));
   EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, ::GetLastError());
   ::SetLastError(0);
   EXPECT_EQ(0, ::MultiByteToWideChar(1252, 1, "abc", 3, nullptr, 0));
   EXPECT_EQ(ERROR_INVALID_FLAGS, ::GetLastError());
}

TEST(WinText, Utf8RefusesDefaultCharacterArguments)
{
   BOOL usedDefault = FALSE;
   ::SetLastError(0);
   EXPECT_EQ(0, ::WideCharToMultiByte(CP_UTF8, 0, L"a", 1, nullptr, 0, nullptr, &usedDefault));
   EXPECT_EQ(ERROR_INVALID_PARAMETER, ::GetLastError());
}

} // namespace
