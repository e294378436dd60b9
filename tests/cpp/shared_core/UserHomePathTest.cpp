// UserHomePathTest.cpp: the order of the home path's sources and their messages, the
// wide environment lookup, the safe working directory and aliased paths.
#include <shared_core/UserHomePath.hpp>

#include <cstdlib>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>
#include <gtest/gtest.h>

#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>

#ifdef _WIN32
#include <shlobj.h>
#endif

#include "CapturingLogDestination.hpp"
#include "ScopedEnvironment.hpp"

namespace velorin::core {
namespace {

using system::detail::getenvWide;
using system::detail::resolveUserHomePath;

// The drive a root-relative path takes: the working directory's on Windows, none on
// Linux, where the working directory has no drive.
std::string workingDrive()
{
#ifdef _WIN32
   return boost::filesystem::current_path().root_name().string();
#else
   return std::string();
#endif
}

[[maybe_unused]] std::vector<std::string> messages(const testing::CapturingLogDestination& destination)
{
   std::vector<std::string> result;
   for (const auto& line : destination.lines())
      result.push_back(testing::withoutTimestamp(line));
   return result;
}

class UserHomePathTest : public ::testing::Test
{
protected:
   void SetUp() override
   {
      root_ = boost::filesystem::canonical(boost::filesystem::temp_directory_path()) /
              boost::filesystem::unique_path("home-%%%%-%%%%");
      boost::filesystem::create_directories(root_ / "documents");
      boost::filesystem::create_directories(root_ / "home");
      boost::filesystem::create_directories(root_ / "user");
      for (const char* name : {"VELORIN_USER", "HOME", "HOMEDRIVE", "HOMEPATH"})
         ::unsetenv(name);
      ::setenv("XDG_DOCUMENTS_DIR", dir("documents").c_str(), 1);
      log_ = testing::captureLog();
   }

   void TearDown() override
   {
      boost::filesystem::current_path(workingDirectory_);
#ifndef _WIN32
      velorin::platform::setAccountHomeFolder(std::string());
#endif
      boost::filesystem::remove_all(root_);
   }

   std::string dir(const std::string& name) const { return (root_ / name).generic_string(); }

   // The documents folder, the home path's next source after the override list: the
   // stand-in reads it from XDG_DOCUMENTS_DIR, Windows knows its own.
   std::string documents() const
   {
#ifdef _WIN32
      wchar_t buffer[MAX_PATH];
      if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, buffer)))
         return std::string();
      return boost::filesystem::path(buffer).generic_string();
#else
      return dir("documents");
#endif
   }

   const testing::ScopedEnvironment environment_;
   const boost::filesystem::path workingDirectory_ = boost::filesystem::current_path();
   boost::filesystem::path root_;
   std::shared_ptr<testing::CapturingLogDestination> log_;
};

TEST_F(UserHomePathTest, OverrideListTakesTheFirstVariableWhoseFolderExists)
{
   struct Case
   {
      const char* velorinUser; // nullptr: unset
      const char* home;
      const char* list;
      std::string expected;
   };
   const std::vector<Case> cases = {
      {nullptr, "home", "VELORIN_USER|HOME", dir("home")},
      {"user", "home", "VELORIN_USER|HOME", dir("user")},
      {"missing", "home", "VELORIN_USER|HOME", dir("home")},
      {nullptr, "missing", "VELORIN_USER|HOME", documents()},
      {"user", "home", "HOME", dir("home")},
      {"user", "home", "|HOME", dir("home")},
      {"user", "home", "", documents()},
   };
   for (const Case& c : cases)
   {
      if (c.velorinUser != nullptr)
         ::setenv("VELORIN_USER", dir(c.velorinUser).c_str(), 1);
      else
         ::unsetenv("VELORIN_USER");
      ::setenv("HOME", dir(c.home).c_str(), 1);
      EXPECT_EQ(resolveUserHomePath(c.list).getAbsolutePath(), c.expected) << "list '" << c.list << "'";
   }
   EXPECT_TRUE(log_->lines().empty()) << log_->lines()[0];
}

TEST_F(UserHomePathTest, DriveLetterIsUpperCasedAndTheGenericFormRebuilt)
{
   std::vector<std::pair<std::string, std::string>> cases = {
      {"c:/Users", "C:/Users"},
      {"c:\\Users", "C:/Users"},
   };
#ifndef _WIN32
   // Windows has C:/Users itself; relative to the working directory, "c:" is a plain
   // folder name here.
   boost::filesystem::create_directories(root_ / "c:" / "Users");
   boost::filesystem::current_path(root_);
   const std::string networkStyle = "/" + dir("home"); // "//tmp/...": a root name, not a drive
   cases.push_back({networkStyle, networkStyle});
#endif
   for (const auto& c : cases)
   {
      ::setenv("HOME", c.first.c_str(), 1);
      const FilePath home = resolveUserHomePath("HOME");
      EXPECT_EQ(home.getAbsolutePath(), c.second) << c.first;
      EXPECT_EQ(home.getAbsolutePathNative(), c.second) << c.first;
   }
}

// These set the account's home folder through a knob of the Linux stand-ins.
#ifndef _WIN32
TEST_F(UserHomePathTest, LaterSourcesInOrderWithTheirWarnings)
{
   // Both documents-folder queries fail, and USERPROFILE names a missing folder.
   const boost::filesystem::path file = root_ / "file";
   boost::filesystem::ofstream(file) << "x";
   ::setenv("XDG_DOCUMENTS_DIR", dir("missing").c_str(), 1);
   velorin::platform::setAccountHomeFolder((file / "home").string());
   ::setenv("USERPROFILE", dir("missing").c_str(), 1);
   const std::string notFound = "[] WARNING Unable to retreive user home path. HRESULT:  -2147024893\n";

   ::setenv("HOMEDRIVE", dir("home").c_str(), 1);
   ::setenv("HOMEPATH", "/../user", 1);
   EXPECT_EQ(resolveUserHomePath("VELORIN_USER|HOME").getAbsolutePath(), dir("home") + "/../user");

   ::setenv("USERPROFILE", dir("user").c_str(), 1);
   EXPECT_EQ(resolveUserHomePath("").getAbsolutePath(), dir("user"));
   ::setenv("USERPROFILE", dir("missing").c_str(), 1);

   ::setenv("HOMEPATH", "/missing", 1);
   EXPECT_EQ(resolveUserHomePath("").getAbsolutePath(), dir("home"));

   const std::vector<std::string> expected = {
      notFound, notFound,
      notFound, notFound,
      notFound, notFound,
      "[] WARNING Home path returned by HOMEPATH (" + dir("home") + "/missing) does not exist.\n"};
   EXPECT_EQ(messages(*log_), expected);
}

TEST_F(UserHomePathTest, NothingExistsGivesTheEmptyPathAfterOneWarningPerCandidate)
{
   const boost::filesystem::path file = root_ / "file";
   boost::filesystem::ofstream(file) << "x";
   ::setenv("XDG_DOCUMENTS_DIR", dir("missing").c_str(), 1);
   velorin::platform::setAccountHomeFolder((file / "home").string());
   ::setenv("USERPROFILE", dir("missing").c_str(), 1);
   ::setenv("HOME", dir("missing").c_str(), 1);
   ::setenv("HOMEDRIVE", "Q:", 1);
   ::setenv("HOMEPATH", "\\Users\\me", 1);

   EXPECT_TRUE(resolveUserHomePath("VELORIN_USER|HOME").isEmpty());
   ::unsetenv("HOMEDRIVE"); // the last source then tries C:
   EXPECT_TRUE(resolveUserHomePath("VELORIN_USER|HOME").isEmpty());

   const std::string notFound = "[] WARNING Unable to retreive user home path. HRESULT:  -2147024893\n";
   const std::vector<std::string> expected = {
      notFound,
      notFound,
      "[] WARNING Home path returned by HOMEPATH (Q:/Users/me) does not exist.\n",
      "[] WARNING Home path returned by HOMEDRIVE (Q:) does not exist.\n",
      "[] ERROR No valid home path found for user\n",
      notFound,
      notFound,
      "[] WARNING Home path returned by HOMEDRIVE (C:) does not exist.\n",
      "[] ERROR No valid home path found for user\n"};
   EXPECT_EQ(messages(*log_), expected);
}

TEST_F(UserHomePathTest, FolderQueryFailureIsLoggedAsSignedDecimal)
{
   ::unsetenv("XDG_DOCUMENTS_DIR");
   velorin::platform::setAccountHomeFolder(dir("home"));
   velorin::platform::failNext("SHGetFolderPathW", 0x80004005);
   EXPECT_EQ(resolveUserHomePath("").getAbsolutePath(), dir("home"));
   const std::vector<std::string> expected = {
      "[] WARNING Unable to retreive user home path. HRESULT:  -2147467259\n"};
   EXPECT_EQ(messages(*log_), expected);
}

#endif

TEST_F(UserHomePathTest, SafeCurrentPathFallsBackWhenTheWorkingDirectoryIsGone)
{
   boost::filesystem::current_path(root_ / "user");
   EXPECT_EQ(FilePath::safeCurrentPath(FilePath(dir("home"))).getAbsolutePath(), dir("user"));
   EXPECT_EQ(boost::filesystem::current_path(), root_ / "user");

#ifndef _WIN32
   // Windows does not let the working directory be removed.
   // A removed working directory is expected: silent, and the revert-to path takes over.
   boost::filesystem::remove(root_ / "user");
   EXPECT_EQ(FilePath::safeCurrentPath(FilePath(dir("home"))).getAbsolutePath(), dir("home"));
   EXPECT_EQ(boost::filesystem::current_path(), root_ / "home");

   // With the revert-to path missing too, the home path (documents folder) does.
   boost::filesystem::remove(root_ / "home");
   EXPECT_EQ(FilePath::safeCurrentPath(FilePath(dir("missing"))).getAbsolutePath(), dir("documents"));
   EXPECT_EQ(boost::filesystem::current_path(), root_ / "documents");
#endif

   EXPECT_TRUE(log_->lines().empty()) << log_->lines()[0];
}

TEST_F(UserHomePathTest, ResolveAliasedPath)
{
   boost::filesystem::current_path(root_ / "user");
   const FilePath home("C:/Users/me");
   const std::vector<std::pair<std::string, std::string>> cases = {
      {"~", "C:/Users/me"},
      {"", "C:/Users/me"},
      {"~/docs/a.txt", "C:/Users/me/docs/a.txt"},
      {"~/", "C:/Users/me/"},
      {"docs/a.txt", dir("user") + "/docs/a.txt"},
      {"~user/a", dir("user") + "/~user/a"},
      {"a/~/b", dir("user") + "/a/~/b"},
      {"/etc/x", workingDrive() + "/etc/x"},
      {"D:/x", "D:/x"},
   };
   for (const auto& c : cases)
      EXPECT_EQ(FilePath::resolveAliasedPath(c.first, home).getAbsolutePath(), c.second) << c.first;

   // A home given with backslashes is joined in its generic form.
   EXPECT_EQ(FilePath::resolveAliasedPath("~/a", FilePath("C:\\Users\\me")).getAbsolutePath(), "C:/Users/me/a");

#ifndef _WIN32
   // Windows does not let the working directory be removed.
   // Relative text when the working directory is gone: against the home path, which
   // becomes the working directory.
   boost::filesystem::remove(root_ / "user");
   EXPECT_EQ(FilePath::resolveAliasedPath("a.txt", FilePath(dir("home"))).getAbsolutePath(),
             dir("home") + "/a.txt");
   EXPECT_EQ(boost::filesystem::current_path(), root_ / "home");
#endif
}

TEST(GetenvWideTest, ValuesWholeOrEmpty)
{
   const std::string value300(300, 'v');
   ::setenv("VELORIN_TEST_LONG", value300.c_str(), 1);
   EXPECT_EQ(getenvWide("VELORIN_TEST_LONG"), value300);

   ::setenv("VELORIN_TEST_TEXT", "h\xC3\xA9llo \xF0\x9F\x98\x80", 1);
   EXPECT_EQ(getenvWide("VELORIN_TEST_TEXT"), "h\xC3\xA9llo \xF0\x9F\x98\x80");
   EXPECT_EQ(getenvWide("velorin_test_text"), "h\xC3\xA9llo \xF0\x9F\x98\x80");

   // Names outside ASCII are read as UTF-8.
   ::setenv("VELORIN_T\xC3\x89ST", "accent", 1);
   EXPECT_EQ(getenvWide("VELORIN_T\xC3\x89ST"), "accent");

   ::unsetenv("VELORIN_TEST_UNSET");
   ::setenv("VELORIN_TEST_EMPTY", "", 1);
   EXPECT_EQ(getenvWide("VELORIN_TEST_UNSET"), "");
   EXPECT_EQ(getenvWide("VELORIN_TEST_EMPTY"), "");
   EXPECT_EQ(getenvWide(""), "");

#ifndef _WIN32
   // Only the Linux stand-in can be made to fail.
   velorin::platform::failNext("GetEnvironmentVariableW", ERROR_NOT_ENOUGH_MEMORY);
   EXPECT_EQ(getenvWide("VELORIN_TEST_TEXT"), "");
#endif
}

} // namespace
} // namespace velorin::core
