// WinEnvironmentTest.cpp: GetEnvironmentVariableW's buffer protocol, name matching
// and the variables Windows always defines.
#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
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
