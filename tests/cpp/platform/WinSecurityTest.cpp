// WinSecurityTest.cpp: the token, SID and version calls' size protocols and answers,
// and the form of the UUIDs.
#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>

#include <string>

#include <gtest/gtest.h>

namespace {

class WinSecurityTest : public ::testing::Test
{
protected:
   void TearDown() override
   {
      velorin::platform::setTokenElevationType(0);
      velorin::platform::setReportedWindowsVersion(10, 0, 0);
   }
};

TEST_F(WinSecurityTest, TokenInformationFollowsTheSizeProtocol)
{
   velorin::platform::setTokenElevationType(TokenElevationTypeLimited);
   HANDLE token = nullptr;
   ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));

   TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
   DWORD size = 0;
   EXPECT_FALSE(::GetTokenInformation(token, TokenElevationType, &type, 2, &size));
   EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
   EXPECT_EQ(size, 4u);
   ASSERT_TRUE(::GetTokenInformation(token, TokenElevationType, &type, sizeof(type), &size));
   EXPECT_EQ(type, TokenElevationTypeLimited);

   TOKEN_LINKED_TOKEN linked{};
   ASSERT_TRUE(::GetTokenInformation(token, TokenLinkedToken, &linked, sizeof(linked), &size));
   EXPECT_EQ(size, 8u);

   BYTE sid[SECURITY_MAX_SID_SIZE];
   DWORD sidSize = 8;
   EXPECT_FALSE(::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sidSize));
   EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
   EXPECT_EQ(sidSize, 16u);
   sidSize = sizeof(sid);
   ASSERT_TRUE(::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sidSize));

   BOOL member = FALSE;
   ASSERT_TRUE(::CheckTokenMembership(linked.LinkedToken, sid, &member));
   EXPECT_TRUE(member); // the full token of an administrator
   ASSERT_TRUE(::CheckTokenMembership(token, sid, &member));
   EXPECT_FALSE(member); // the limited one the process runs with
   EXPECT_FALSE(::IsUserAnAdmin());
   EXPECT_TRUE(::CloseHandle(linked.LinkedToken));
   EXPECT_TRUE(::CloseHandle(token));
}

TEST_F(WinSecurityTest, OnlyALimitedTokenHasALinkedOne)
{
   for (int type : {TokenElevationTypeDefault, TokenElevationTypeFull})
   {
      velorin::platform::setTokenElevationType(type);
      HANDLE token = nullptr;
      ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
      TOKEN_LINKED_TOKEN linked{};
      DWORD size = 0;
      EXPECT_FALSE(::GetTokenInformation(token, TokenLinkedToken, &linked, sizeof(linked), &size));
      EXPECT_EQ(GetLastError(), ERROR_NO_SUCH_LOGON_SESSION);
      EXPECT_EQ(::IsUserAnAdmin() != FALSE, type == TokenElevationTypeFull);
      ::CloseHandle(token);
   }
}

TEST_F(WinSecurityTest, VersionsCompareAsOneNumberUnderTheirCondition)
{
   struct Case
   {
      DWORD major;
      DWORD minor;
      WORD servicePack;
      BYTE condition;
      bool met;
   };
   const Case cases[] = {
      {6, 1, 0, VER_GREATER_EQUAL, true}, {10, 0, 0, VER_GREATER_EQUAL, true}, {10, 0, 1, VER_GREATER_EQUAL, false},
      {10, 1, 0, VER_GREATER_EQUAL, false}, {10, 0, 0, VER_EQUAL, true},     {6, 1, 0, VER_LESS, false},
      {11, 0, 0, VER_LESS, true},           {9, 9, 9, VER_GREATER, true},
   };
   for (const Case& c : cases)
   {
      OSVERSIONINFOEXW version{};
      version.dwOSVersionInfoSize = sizeof(version);
      version.dwMajorVersion = c.major;
      version.dwMinorVersion = c.minor;
      version.wServicePackMajor = c.servicePack;
      ULONGLONG mask = 0;
      for (DWORD type : {VER_MAJORVERSION, VER_MINORVERSION, VER_SERVICEPACKMAJOR})
         mask = ::VerSetConditionMask(mask, type, c.condition);
      const BOOL met =
         ::VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, mask);
      EXPECT_EQ(met != FALSE, c.met) << c.major << "." << c.minor << " sp" << c.servicePack << " cond "
                                     << int(c.condition);
      if (!met)
      {
         EXPECT_EQ(GetLastError(), ERROR_OLD_WIN_VERSION);
      }
   }

   OSVERSIONINFOEXW wrongSize{};
   wrongSize.dwOSVersionInfoSize = 276;
   EXPECT_FALSE(::VerifyVersionInfoW(&wrongSize, VER_MAJORVERSION, ::VerSetConditionMask(0, VER_MAJORVERSION, 3)));
   EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(WinSecurityTest, UuidsAreRandomVersionFour)
{
   UUID uuid{};
   ASSERT_EQ(::UuidCreate(&uuid), RPC_S_OK);
   RPC_CSTR text = nullptr;
   ASSERT_EQ(::UuidToStringA(&uuid, &text), RPC_S_OK);
   const std::string uuidText(reinterpret_cast<const char*>(text));
   EXPECT_EQ(::RpcStringFreeA(&text), RPC_S_OK);
   EXPECT_EQ(text, nullptr);
   ASSERT_EQ(uuidText.size(), 36u);
   EXPECT_EQ(uuidText[14], '4');
   EXPECT_NE(std::string("89ab").find(uuidText[19]), std::string::npos) << uuidText;
}

} // namespace
