// WinShellTest.cpp: the documents folder, its creation and the HRESULTs of failures.
#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include <boost/filesystem.hpp>
#include <gtest/gtest.h>

#include "ScopedEnvironment.hpp"
#include "ScratchFolder.hpp"

namespace {

std::string accountHome()
{
   return getpwuid(geteuid())->pw_dir;
}

class WinShellTest : public ::testing::Test
{
protected:
   void SetUp() override { ::unsetenv("XDG_DOCUMENTS_DIR"); }

   // The HRESULT, and the folder text in UTF-8 when it succeeded.
   std::pair<HRESULT, std::string> folder(int csidl, DWORD flags)
   {
      wchar_t buffer[MAX_PATH] = {};
      const HRESULT result = ::SHGetFolderPathW(nullptr, csidl, nullptr, flags, buffer);
      std::wstring wide(buffer);
      return {result, velorin::platform::utf8FromUtf16(wide.c_str(), wide.size())};
   }

   const velorin::core::testing::ScopedEnvironment environment_;
   const velorin::core::testing::ScratchFolder root_{"shell-%%%%-%%%%"};
};

TEST_F(WinShellTest, DocumentsFolderComesFromXdgOnlyForTheCurrentLocation)
{
   ::setenv("XDG_DOCUMENTS_DIR", root_.c_str(), 1);
   EXPECT_EQ(folder(CSIDL_PERSONAL, SHGFP_TYPE_CURRENT), std::make_pair(S_OK, root_.string()));
   EXPECT_EQ(folder(CSIDL_PERSONAL | CSIDL_FLAG_CREATE, SHGFP_TYPE_DEFAULT),
             std::make_pair(S_OK, accountHome()));

   // A relative value means nothing as a folder and is ignored.
   ::setenv("XDG_DOCUMENTS_DIR", "Documents", 1);
   EXPECT_EQ(folder(CSIDL_PERSONAL, SHGFP_TYPE_CURRENT), std::make_pair(S_OK, accountHome()));

   // $HOME is never the documents folder.
   ::unsetenv("XDG_DOCUMENTS_DIR");
   ::setenv("HOME", root_.c_str(), 1);
   EXPECT_EQ(folder(CSIDL_PERSONAL, SHGFP_TYPE_CURRENT), std::make_pair(S_OK, accountHome()));
}

// A Linux folder name is bytes; one that is not UTF-8 keeps them in the wide result.
TEST_F(WinShellTest, FolderWhoseNameIsNotUtf8KeepsItsBytes)
{
   const boost::filesystem::path latin1 = root_ / "caf\xE9";
   boost::filesystem::create_directory(latin1);
   ::setenv("XDG_DOCUMENTS_DIR", latin1.c_str(), 1);
   wchar_t buffer[MAX_PATH] = {};
   EXPECT_EQ(S_OK, ::SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, buffer));
   ::unsetenv("XDG_DOCUMENTS_DIR");
   EXPECT_EQ(latin1.string(), velorin::platform::bytesFromWidePath(buffer, std::wcslen(buffer)));
}

TEST_F(WinShellTest, MissingFolderFailsUnlessAskedToCreateIt)
{
   const boost::filesystem::path missing = root_ / "a" / "Documents";
   ::setenv("XDG_DOCUMENTS_DIR", missing.c_str(), 1);

   EXPECT_EQ(folder(CSIDL_PERSONAL, SHGFP_TYPE_CURRENT).first, static_cast<HRESULT>(0x80070003));
   EXPECT_FALSE(boost::filesystem::exists(missing));

   EXPECT_EQ(folder(CSIDL_PERSONAL | CSIDL_FLAG_CREATE, SHGFP_TYPE_CURRENT),
             std::make_pair(S_OK, missing.string()));
   EXPECT_TRUE(boost::filesystem::is_directory(missing));
}

TEST_F(WinShellTest, FolderThatCannotBeCreatedGivesTheErrorAsHresult)
{
   const boost::filesystem::path file = root_ / "file";
   boost::filesystem::ofstream(file) << "x";
   ::setenv("XDG_DOCUMENTS_DIR", (file / "Documents").c_str(), 1);
   EXPECT_EQ(folder(CSIDL_PERSONAL | CSIDL_FLAG_CREATE, SHGFP_TYPE_CURRENT).first,
             velorin::platform::hresultFromWin32(ERROR_PATH_NOT_FOUND));

   velorin::platform::setAccountHomeFolder((file / "home").string());
   EXPECT_EQ(folder(CSIDL_PERSONAL | CSIDL_FLAG_CREATE, SHGFP_TYPE_DEFAULT).first,
             velorin::platform::hresultFromWin32(ERROR_PATH_NOT_FOUND));
   velorin::platform::setAccountHomeFolder(std::string());
   EXPECT_EQ(folder(CSIDL_PERSONAL | CSIDL_FLAG_CREATE, SHGFP_TYPE_DEFAULT),
             std::make_pair(S_OK, accountHome()));
}

TEST_F(WinShellTest, PathLongerThanTheBufferCountsUtf16Units)
{
   // Under 200 characters, but each of the 150 outside the BMP takes two UTF-16 units.
   std::string name;
   for (int i = 0; i < 50; ++i)
      name += "\xF0\x9F\x98\x80";
   const boost::filesystem::path tooLong = root_ / name / name / name;
   ::setenv("XDG_DOCUMENTS_DIR", tooLong.c_str(), 1);
   boost::filesystem::create_directories(tooLong);

   EXPECT_EQ(folder(CSIDL_PERSONAL, SHGFP_TYPE_CURRENT).first, static_cast<HRESULT>(0x8007007A));
}

TEST_F(WinShellTest, InvalidArgumentsAndArmedFailures)
{
   wchar_t buffer[MAX_PATH];
   int token = 0;
   EXPECT_EQ(::SHGetFolderPathW(nullptr, 0x7777, nullptr, SHGFP_TYPE_CURRENT, buffer), E_INVALIDARG);
   EXPECT_EQ(::SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 2, buffer), E_INVALIDARG);
   EXPECT_EQ(::SHGetFolderPathW(nullptr, CSIDL_PERSONAL, &token, SHGFP_TYPE_CURRENT, buffer), E_INVALIDARG);
   EXPECT_EQ(::SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, nullptr), E_INVALIDARG);

   velorin::platform::failNext("SHGetFolderPathW", ERROR_ACCESS_DENIED);
   EXPECT_EQ(folder(CSIDL_PERSONAL, SHGFP_TYPE_CURRENT).first, static_cast<HRESULT>(0x80070005));
   velorin::platform::failNext("SHGetFolderPathW", 0x80004005);
   EXPECT_EQ(folder(CSIDL_PERSONAL, SHGFP_TYPE_CURRENT).first, static_cast<HRESULT>(0x80004005));
   EXPECT_EQ(folder(CSIDL_PERSONAL, SHGFP_TYPE_CURRENT).first, S_OK);
}

TEST_F(WinShellTest, ApplicationDataFoldersComeFromXdgAndTakeASubFolder)
{
   ::setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
   ::setenv("XDG_CONFIG_DIRS", ((root_ / "machine").string() + ":/etc/xdg").c_str(), 1);
   EXPECT_EQ(folder(CSIDL_LOCAL_APPDATA, SHGFP_TYPE_CURRENT).first, static_cast<HRESULT>(0x80070003));
   EXPECT_EQ(folder(CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, SHGFP_TYPE_CURRENT),
             std::make_pair(S_OK, (root_ / "config").string()));
   EXPECT_EQ(folder(CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, SHGFP_TYPE_CURRENT),
             std::make_pair(S_OK, (root_ / "machine").string()));

   wchar_t buffer[MAX_PATH] = {};
   EXPECT_EQ(::SHGetFolderPathAndSubDirW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, L"App", buffer),
             static_cast<HRESULT>(0x80070003));
   ASSERT_EQ(::SHGetFolderPathAndSubDirW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, L"App", buffer),
             S_OK);
   EXPECT_EQ(std::wstring(buffer), velorin::platform::utf16FromUtf8((root_ / "config" / "App").string()));
   EXPECT_TRUE(boost::filesystem::is_directory(root_ / "config" / "App"));

   // Relative values mean nothing as folders.
   ::setenv("XDG_CONFIG_HOME", "config", 1);
   ::setenv("XDG_CONFIG_DIRS", "machine", 1);
   EXPECT_EQ(folder(CSIDL_LOCAL_APPDATA, SHGFP_TYPE_CURRENT).second.rfind(accountHome(), 0), 0u);
   EXPECT_EQ(::SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, buffer) == S_OK,
             boost::filesystem::is_directory("/etc/xdg"));
}

TEST_F(WinShellTest, ModulePathIsCutToTheBuffer)
{
   const std::string exe = boost::filesystem::read_symlink("/proc/self/exe").string();
   wchar_t buffer[MAX_PATH];
   EXPECT_EQ(::GetModuleFileNameW(nullptr, buffer, MAX_PATH), exe.size());
   EXPECT_EQ(std::wstring(buffer), velorin::platform::utf16FromUtf8(exe));

   wchar_t small[5] = {};
   SetLastError(ERROR_SUCCESS);
   EXPECT_EQ(::GetModuleFileNameW(nullptr, small, 5), 5u);
   EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
   EXPECT_EQ(std::wstring(small), velorin::platform::utf16FromUtf8(exe.substr(0, 4)));
}

} // namespace
