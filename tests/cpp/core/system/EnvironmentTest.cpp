// EnvironmentTest.cpp: environment lists, the process environment with Windows' name
// rules and buffer protocols, "%NAME%" expansion and "PATH".
#include <core/system/Environment.hpp>

#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>

#include <cstdlib>
#include <cwchar>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include <core/system/System.hpp>

#ifdef _WIN32
#include <shared_core/system/Win32StringUtils.hpp>
#endif

#include "CapturingLogDestination.hpp"
#include "ScopedEnvironment.hpp"
#include "UnderWine.hpp"

namespace velorin::core::system {
namespace {

using testing::captureLog;

// The variable stored under this name, as programs started from here get it: on Linux
// under exactly this spelling. On Windows the C runtime keeps a copy of its own, so the
// process's block is read, where a name matches in any case.
std::optional<std::string> storedVariable(const std::string& name)
{
#ifdef _WIN32
   std::optional<std::string> value;
   wchar_t* block = ::GetEnvironmentStringsW();
   for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1)
   {
      const std::string text = string_utils::wideToUtf8(entry);
      if (text.size() > name.size() && text[name.size()] == '=' && ::_strnicmp(text.c_str(), name.c_str(), name.size()) == 0)
         value = text.substr(name.size() + 1);
   }
   ::FreeEnvironmentStringsW(block);
   return value;
#else
   const char* value = ::getenv(name.c_str());
   return value == nullptr ? std::nullopt : std::optional<std::string>(value);
#endif
}

class EnvironmentTest : public ::testing::Test
{
protected:
   const testing::ScopedEnvironment environment_;
};

TEST(EnvironmentListTest, NamesMatchWithoutRegardToCaseAndKeepTheListsOrder)
{
   EnvironmentList list = {{"HOME", "y"}, {"Path", "C:\\bin"}, {"Home", "z"}};
   EXPECT_EQ(getenv(list, "path"), "C:\\bin");
   EXPECT_EQ(getenv(list, "home"), "y");
   EXPECT_EQ(getenv(list, "nope"), "");

   setenv(&list, "home", "x");
   EXPECT_EQ(list, (EnvironmentList{{"home", "x"}, {"Path", "C:\\bin"}, {"Home", "z"}}));

   addToPath(&list, "D:\\tools", false);
   EXPECT_EQ(list, (EnvironmentList{{"home", "x"}, {"PATH", "C:\\bin;D:\\tools"}, {"Home", "z"}}));

   unsetenv(&list, "HOME");
   EXPECT_EQ(list, (EnvironmentList{{"PATH", "C:\\bin;D:\\tools"}}));

   setenv(&list, "NEW", "");
   EXPECT_EQ(list.back(), std::make_pair(std::string("NEW"), std::string()));

   EnvironmentList noProfile = {{"A", "1"}};
   setHomeFromUserProfile(&noProfile);
   EXPECT_EQ(noProfile, (EnvironmentList{{"A", "1"}, {"HOME", ""}}));
   EnvironmentList withProfile = {{"UserProfile", "C:\\Users\\ann"}};
   setHomeFromUserProfile(&withProfile);
   EXPECT_EQ(getenv(withProfile, "HOME"), "C:\\Users\\ann");
}

TEST(EnvironmentListTest, EntriesSplitAtTheFirstEquals)
{
   struct Case
   {
      std::string entry;
      bool parsed;
      std::pair<std::string, std::string> variable;
   };
   const Case cases[] = {
      {"=C:=C:\\work", true, {"", "C:=C:\\work"}},
      {"A=", true, {"A", ""}},
      {"A=b=c", true, {"A", "b=c"}},
      {"no equals", false, {"untouched", "x"}},
   };
   for (const Case& c : cases)
   {
      std::pair<std::string, std::string> variable = {"untouched", "x"};
      EXPECT_EQ(parseEnvironmentEntry(c.entry, &variable), c.parsed) << c.entry;
      EXPECT_EQ(variable, c.variable) << c.entry;
   }
}

TEST(EnvironmentListTest, PathTextsJoinWithSemicolons)
{
   struct Case
   {
      std::string path;
      bool prepend;
      std::string expected;
   };
   const Case cases[] = {
      {"", true, "C:\\x"},
      {"", false, "C:\\x"},
      {"A", true, "C:\\x;A"},
      {"A", false, "A;C:\\x"},
      {"A;C:\\x", false, "A;C:\\x;C:\\x"}, // duplicates are not looked for
   };
   for (const Case& c : cases)
   {
      std::string path = c.path;
      addToPath(&path, "C:\\x", c.prepend);
      EXPECT_EQ(path, c.expected) << c.path << (c.prepend ? " prepend" : " append");
   }
}

TEST_F(EnvironmentTest, ProcessVariablesFollowWindowsNameRules)
{
   ::setenv("Velorin_Test_Mixed", "mixed", 1);
   EXPECT_EQ(getenv("VELORIN_TEST_MIXED"), "mixed");

   // Setting under another case keeps the stored spelling; removing takes every case.
   setenv("VELORIN_TEST_MIXED", "changed");
   EXPECT_EQ(storedVariable("Velorin_Test_Mixed"), "changed");
#ifndef _WIN32 // Linux's environment holds both spellings apart; Windows' block has one entry
   EXPECT_EQ(storedVariable("VELORIN_TEST_MIXED"), std::nullopt);
#endif
   ::setenv("VELORIN_TEST_MIXED", "upper", 1);
   unsetenv("velorin_test_mixed");
   EXPECT_EQ(storedVariable("Velorin_Test_Mixed"), std::nullopt);
   EXPECT_EQ(storedVariable("VELORIN_TEST_MIXED"), std::nullopt);

   // An empty value is a value; it reads as empty like an unset variable.
   setenv("VELORIN_TEST_EMPTY", "");
   EXPECT_EQ(storedVariable("VELORIN_TEST_EMPTY"), "");
   EXPECT_EQ(getenv("VELORIN_TEST_EMPTY"), "");

   // Names Windows refuses change nothing and read as empty.
   setenv("", "x");
   setenv("VELORIN=X", "y");
   EXPECT_EQ(storedVariable("VELORIN"), std::nullopt);
   EXPECT_EQ(getenv(""), "");
   EXPECT_EQ(getenv("VELORIN=X"), "");
}

TEST_F(EnvironmentTest, ValuesOfAnyLengthComeBackWhole)
{
#ifdef _WIN32
   const std::size_t longest = 32766; // Windows holds no longer value
#else
   const std::size_t longest = 100000;
#endif
   for (std::size_t length : {std::size_t(255), std::size_t(256), std::size_t(257), std::size_t(300), longest})
   {
      const std::string value(length, 'v');
      setenv("VELORIN_TEST_LONG", value);
      EXPECT_EQ(getenv("VELORIN_TEST_LONG"), value) << length;
   }
   setenv("VELORIN_TEST_UTF8", "caf\xC3\xA9 \xF0\x9F\x98\x80");
   EXPECT_EQ(getenv("VELORIN_TEST_UTF8"), "caf\xC3\xA9 \xF0\x9F\x98\x80");
}

TEST_F(EnvironmentTest, ReadingTheProcessEnvironmentAppends)
{
   setenv("VELORIN_TEST_LISTED", "a=b");
   EnvironmentList list = {{"FIRST", "kept"}};
   environment(&list);
   EXPECT_EQ(list.front(), std::make_pair(std::string("FIRST"), std::string("kept")));
   EXPECT_EQ(getenv(list, "VELORIN_TEST_LISTED"), "a=b");

   const std::size_t once = list.size() - 1;
   environment(&list);
   EXPECT_EQ(list.size(), 1 + 2 * once);

   EnvironmentList built;
   buildEnvironment({{"velorin_test_listed", "over"}, {"VELORIN_TEST_ADDED", "new"}}, &built);
   EXPECT_EQ(built.size(), once + 1);
   EXPECT_EQ(getenv(built, "VELORIN_TEST_LISTED"), "over");
   EXPECT_EQ(built.back(), std::make_pair(std::string("VELORIN_TEST_ADDED"), std::string("new")));
}

#ifndef _WIN32 // the failures are armed in the Linux stand-ins
TEST_F(EnvironmentTest, FailedBlockReadsAreLoggedAndAddNothing)
{
   const auto log = captureLog();
   EnvironmentList list;
   platform::failNext("GetEnvironmentStringsW", ERROR_NOT_ENOUGH_MEMORY);
   environment(&list);
   EXPECT_TRUE(list.empty());
   ASSERT_EQ(log->lines().size(), 1u);
   EXPECT_NE(log->lines()[0].find("system error 8"), std::string::npos);

   platform::failNext("FreeEnvironmentStringsW", ERROR_INVALID_PARAMETER);
   environment(&list);
   EXPECT_FALSE(list.empty());
   ASSERT_EQ(log->lines().size(), 2u);
   EXPECT_NE(log->lines()[1].find("system error 87"), std::string::npos);
}
#endif

TEST_F(EnvironmentTest, ExpansionReplacesOnlyVariablesThatAreSet)
{
   setenv("VELORIN_TEST_X", "ex");
   unsetenv("NOPE_X");
   struct Case
   {
      std::string text;
      std::string expected;
   };
   const Case cases[] = {
      {"%NOPE_X%/y", "%NOPE_X%/y"},
      {"%VELORIN_TEST_X%/y", "ex/y"},
      {"%velorin_test_x%", "ex"},
      {"100% sure", "100% sure"},
      {"%%", "%%"},
      {"no reference", "no reference"},
   };
   for (const Case& c : cases)
   {
      std::string result = "old";
      EXPECT_FALSE(expandEnvironmentVariables(c.text, &result)) << c.text;
      EXPECT_EQ(result, c.expected) << c.text;
   }
}

// The '%' that closes a name not set opens the next reference.
TEST_F(EnvironmentTest, ExpansionGoesOnFromTheEndOfANameNotSet)
{
   SKIP_UNDER_WINE("ExpandEnvironmentStrings skips past the '%' that closes a name not set");
   setenv("VELORIN_TEST_X", "ex");
   unsetenv("NOPE_X");
   std::string result;
   EXPECT_FALSE(expandEnvironmentVariables("%NOPE_X%VELORIN_TEST_X%", &result));
   EXPECT_EQ(result, "%NOPE_Xex");
}

TEST_F(EnvironmentTest, ExpansionOfNothingNeedsNoPlatformCall)
{
   std::string result = "old";
   platform::startRecordingCalls();
   EXPECT_FALSE(expandEnvironmentVariables("", &result));
   EXPECT_TRUE(platform::takeRecordedCalls().empty());
   EXPECT_EQ(result, "");
}

#ifndef _WIN32 // the failures are armed in the Linux stand-ins
TEST_F(EnvironmentTest, FailedExpansionLeavesTheOutputAlone)
{
   for (unsigned int call : {0u, 1u})
   {
      std::string result = "old";
      platform::failNextAfter("ExpandEnvironmentStringsA", call, ERROR_NOT_ENOUGH_MEMORY);
      const Error error = expandEnvironmentVariables("%COMSPEC%", &result);
      EXPECT_EQ(error.getCode(), 8) << "call " << call;
      EXPECT_EQ(result, "old");
   }
}
#endif

TEST_F(EnvironmentTest, SystemPathJoinsByEachOverloadsRule)
{
   ::unsetenv("PATH");
   addToSystemPath(FilePath("/opt/velorin/bin"), false);
   EXPECT_EQ(getenv("PATH"), ";/opt/velorin/bin");
   ::unsetenv("PATH");
   addToSystemPath(FilePath("/opt/velorin/bin"), true);
   EXPECT_EQ(getenv("PATH"), "/opt/velorin/bin;");

   ::unsetenv("PATH");
   addToSystemPath(std::string("/a"), false);
   EXPECT_EQ(getenv("PATH"), "/a");
   addToSystemPath(std::string("/b"), true);
   EXPECT_EQ(getenv("PATH"), "/b;/a");
#ifndef _WIN32 // the stand-ins give Linux's programs the list with Linux's separator
   // Programs started from here find their folders in it.
   EXPECT_STREQ(::getenv("PATH"), "/b:/a");
#endif
}

// Drive letters hold a ':' that Linux's lists would take for a separator; a PATH the
// program set reads back as it was set, one by one, as a list and through expansion.
TEST_F(EnvironmentTest, APathTheProgramSetReadsBackAsSet)
{
   for (const std::string path : {"C:\\bin;D:\\tools", ";C:/x", "/usr/bin;/bin", "C:\\x", "D:/a;;E:/b;", "c:"})
   {
      setenv("PATH", path);
      EXPECT_EQ(getenv("PATH"), path);
      EnvironmentList list;
      environment(&list);
      EXPECT_EQ(getenv(list, "PATH"), path);
      std::string expanded;
      ASSERT_FALSE(expandEnvironmentVariables("%PATH%", &expanded));
      EXPECT_EQ(expanded, path);
   }

   ::unsetenv("PATH");
   addToSystemPath(FilePath("C:/x"), false);
   EXPECT_EQ(getenv("PATH"), ";C:/x");
   addToSystemPath(std::string("D:\\tools"), true);
   EXPECT_EQ(getenv("PATH"), "D:\\tools;;C:/x");

#ifndef _WIN32 // the stand-ins translate between Linux's and Windows' separators
   // A PATH that came from elsewhere is Linux's list, read with Windows' separator.
   ::setenv("PATH", "/usr/local/bin:/usr/bin", 1);
   EXPECT_EQ(getenv("PATH"), "/usr/local/bin;/usr/bin");
   setenv("PATH", "/opt/a;/opt/b");
   EXPECT_STREQ(::getenv("PATH"), "/opt/a:/opt/b");
#endif
}

TEST_F(EnvironmentTest, ChildrenSeeWhatTheProgramSet)
{
   setenv("VELORIN_TEST_FOR_CHILD", "seen by the child");
   unsetenv("VELORIN_TEST_GONE");
   ::setenv("VELORIN_TEST_GONE", "x", 1);
   unsetenv("velorin_test_gone");
   std::string output;
#ifdef _WIN32
   // The command interpreter leaves a reference to a variable not set as it stands.
   ASSERT_FALSE(captureCommand("echo %VELORIN_TEST_FOR_CHILD%/%VELORIN_TEST_GONE%", &output));
   EXPECT_EQ(output, "seen by the child/%VELORIN_TEST_GONE%\n");
#else
   ASSERT_FALSE(captureCommand("echo \"$VELORIN_TEST_FOR_CHILD|${VELORIN_TEST_GONE-unset}\"", &output));
   EXPECT_EQ(output, "seen by the child|unset\n");
#endif
}

TEST_F(EnvironmentTest, UserNameIsTheUsernameVariable)
{
   setenv("USERNAME", "ann");
   EXPECT_EQ(currentUserName(), "ann");
}

} // namespace
} // namespace velorin::core::system
