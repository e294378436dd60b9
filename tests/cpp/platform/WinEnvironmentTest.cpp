// WinEnvironmentTest.cpp: the buffer protocols of reading and expanding variables,
// name matching, the environment block and the variables Windows always defines.
#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ScopedEnvironment.hpp"

namespace {

using velorin::platform::utf16FromUtf8;

// The result, the last error and what the buffer holds up to its NUL.
struct Lookup
{
   DWORD result;
   DWORD lastError;
   std::wstring text;
};

Lookup lookUp(const std::string& name, DWORD size)
{
   std::vector<wchar_t> buffer(size + 1, L'#');
   SetLastError(0xDEAD);
   const DWORD result = ::GetEnvironmentVariableW(utf16FromUtf8(name).c_str(), buffer.data(), size);
   const DWORD lastError = GetLastError();
   return {result, lastError, buffer[0] == L'#' ? std::wstring(L"#") : std::wstring(buffer.data())};
}

class WinEnvironmentTest : public ::testing::Test
{
   const velorin::core::testing::ScopedEnvironment environment_;
};

TEST_F(WinEnvironmentTest, BufferProtocolCountsUtf16Units)
{
   const std::string value300(300, 'v');
   ::setenv("VELORIN_TEST_LONG", value300.c_str(), 1);
   EXPECT_EQ(lookUp("VELORIN_TEST_LONG", 256).result, 301u);
   EXPECT_EQ(lookUp("VELORIN_TEST_LONG", 256).text, L"#"); // untouched
   EXPECT_EQ(lookUp("VELORIN_TEST_LONG", 300).result, 301u);
   const Lookup exact = lookUp("VELORIN_TEST_LONG", 301);
   EXPECT_EQ(exact.result, 300u);
   EXPECT_EQ(exact.text, std::wstring(300, L'v'));

   // U+1F600 is two units: "a" + it needs 3 units and a NUL.
   ::setenv("VELORIN_TEST_WIDE", "a\xF0\x9F\x98\x80", 1);
   EXPECT_EQ(lookUp("VELORIN_TEST_WIDE", 3).result, 4u);
   const Lookup wide = lookUp("VELORIN_TEST_WIDE", 4);
   EXPECT_EQ(wide.result, 3u);
   EXPECT_EQ(wide.text, utf16FromUtf8("a\xF0\x9F\x98\x80"));
}

TEST_F(WinEnvironmentTest, UnsetAndEmptyBothGiveZero)
{
   ::unsetenv("VELORIN_TEST_UNSET");
   const Lookup unset = lookUp("VELORIN_TEST_UNSET", 256);
   EXPECT_EQ(unset.result, 0u);
   EXPECT_EQ(unset.lastError, ERROR_ENVVAR_NOT_FOUND);

   ::setenv("VELORIN_TEST_EMPTY", "", 1);
   const Lookup empty = lookUp("VELORIN_TEST_EMPTY", 256);
   EXPECT_EQ(empty.result, 0u);
   EXPECT_EQ(empty.lastError, ERROR_SUCCESS);
   EXPECT_EQ(empty.text, L"");

   EXPECT_EQ(lookUp("", 256).lastError, ERROR_ENVVAR_NOT_FOUND);
   EXPECT_EQ(lookUp("VELORIN=X", 256).lastError, ERROR_ENVVAR_NOT_FOUND);
}

TEST_F(WinEnvironmentTest, NamesIgnoreCaseButPreferAnExactMatch)
{
   ::setenv("Velorin_Test_Case", "mixed", 1);
   EXPECT_EQ(lookUp("VELORIN_TEST_CASE", 256).text, L"mixed");
   EXPECT_EQ(lookUp("velorin_test_case", 256).text, L"mixed");
   EXPECT_EQ(lookUp("VELORIN_TEST_CAS", 256).result, 0u);

   ::setenv("VELORIN_TEST_CASE", "upper", 1);
   EXPECT_EQ(lookUp("VELORIN_TEST_CASE", 256).text, L"upper");
   EXPECT_EQ(lookUp("Velorin_Test_Case", 256).text, L"mixed");
}

TEST_F(WinEnvironmentTest, VariablesWindowsAlwaysDefinesComeFromTheSystemUnlessSet)
{
   const passwd* account = getpwuid(geteuid());
   ::unsetenv("USERNAME");
   ::unsetenv("USERPROFILE");
   ::unsetenv("COMSPEC");
   ::unsetenv("PROCESSOR_ARCHITECTURE");
   EXPECT_EQ(lookUp("USERNAME", 256).text, utf16FromUtf8(account->pw_name));
   EXPECT_EQ(lookUp("UserProfile", 256).text, utf16FromUtf8(account->pw_dir));
   EXPECT_EQ(lookUp("COMSPEC", 256).text, L"/bin/sh");
#if defined(__x86_64__)
   EXPECT_EQ(lookUp("PROCESSOR_ARCHITECTURE", 256).text, L"AMD64");
#endif
   EXPECT_EQ(::getenv("USERPROFILE"), nullptr); // nothing written behind the host's back

   ::setenv("USERPROFILE", "/nowhere", 1);
   EXPECT_EQ(lookUp("USERPROFILE", 256).text, L"/nowhere");
}

TEST_F(WinEnvironmentTest, ArmedFailureGivesZeroWithItsLastError)
{
   ::setenv("VELORIN_TEST_SET", "x", 1);
   velorin::platform::failNext("GetEnvironmentVariableW", ERROR_NOT_ENOUGH_MEMORY);
   const Lookup failed = lookUp("VELORIN_TEST_SET", 256);
   EXPECT_EQ(failed.result, 0u);
   EXPECT_EQ(failed.lastError, ERROR_NOT_ENOUGH_MEMORY);
   EXPECT_EQ(lookUp("VELORIN_TEST_SET", 256).result, 1u);
}

} // namespace

namespace {

// The block's entries in order, as UTF-8.
std::vector<std::string> blockEntries()
{
   std::vector<std::string> entries;
   LPWCH block = ::GetEnvironmentStringsW();
   EXPECT_NE(block, nullptr);
   for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1)
      entries.push_back(velorin::platform::utf8FromUtf16(entry, std::wcslen(entry)));
   EXPECT_TRUE(::FreeEnvironmentStringsW(block));
   return entries;
}

bool holds(const std::vector<std::string>& entries, const std::string& entry)
{
   return std::find(entries.begin(), entries.end(), entry) != entries.end();
}

TEST_F(WinEnvironmentTest, BlockCopiesTheEnvironmentAndIsFreedOnce)
{
   ::setenv("VELORIN_TEST_BLOCK", "caf\xC3\xA9", 1);
   ::setenv("PATH", "/usr/bin:/bin", 1);
   ::unsetenv("COMSPEC");
   const std::vector<std::string> entries = blockEntries();
   EXPECT_TRUE(holds(entries, "VELORIN_TEST_BLOCK=caf\xC3\xA9"));
   EXPECT_TRUE(holds(entries, "PATH=/usr/bin;/bin"));
   EXPECT_TRUE(holds(entries, "COMSPEC=/bin/sh")); // as Windows always has it

   LPWCH block = ::GetEnvironmentStringsW();
   ASSERT_TRUE(::FreeEnvironmentStringsW(block));
   wchar_t notABlock[2] = {};
   EXPECT_FALSE(::FreeEnvironmentStringsW(notABlock));
   EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(WinEnvironmentTest, SettingKeepsTheStoredSpellingAndRefusesBadNames)
{
   ::setenv("Velorin_Test_Set", "old", 1);
   EXPECT_TRUE(::SetEnvironmentVariableW(L"VELORIN_TEST_SET", L"new"));
   EXPECT_STREQ(::getenv("Velorin_Test_Set"), "new");
   EXPECT_EQ(::getenv("VELORIN_TEST_SET"), nullptr);

   for (const wchar_t* name : {L"", L"A=B", L"=C:"})
   {
      EXPECT_FALSE(::SetEnvironmentVariableW(name, L"x"));
      EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
   }

   ::setenv("VELORIN_TEST_SET", "upper", 1);
   EXPECT_TRUE(::SetEnvironmentVariableA("velorin_test_set", nullptr));
   EXPECT_EQ(::getenv("Velorin_Test_Set"), nullptr);
   EXPECT_EQ(::getenv("VELORIN_TEST_SET"), nullptr);

   // The narrow call's text is in the ANSI code page.
   EXPECT_TRUE(::SetEnvironmentVariableA("VELORIN_TEST_ANSI", "caf\xE9"));
   EXPECT_STREQ(::getenv("VELORIN_TEST_ANSI"), "caf\xC3\xA9");

   EXPECT_TRUE(::SetEnvironmentVariableW(L"Path", L"/a;/b"));
   EXPECT_STREQ(::getenv("PATH"), "/a:/b");
}

TEST_F(WinEnvironmentTest, ExpansionFollowsTheSizeProtocol)
{
   ::setenv("VELORIN_TEST_X", "caf\xC3\xA9", 1);
   const char* text = "[%VELORIN_TEST_X%]";
   const DWORD needed = ::ExpandEnvironmentStringsA(text, nullptr, 0);
   EXPECT_EQ(needed, 7u); // "[café]" in the ANSI code page, and its NUL
   char small[6] = "#####";
   EXPECT_EQ(::ExpandEnvironmentStringsA(text, small, sizeof(small)), 7u);
   EXPECT_STREQ(small, "#####");
   char exact[7];
   EXPECT_EQ(::ExpandEnvironmentStringsA(text, exact, sizeof(exact)), 7u);
   EXPECT_STREQ(exact, "[caf\xE9]");
}

} // namespace
