// EnvironmentTest.cpp: environment lists, the process environment with Windows' name
// rules and buffer protocols, "%NAME%" expansion and "PATH".
#include <core/system/Environment.hpp>

#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include <core/system/System.hpp>

#include "CapturingLogDestination.hpp"
#include "ScopedEnvironment.hpp"

namespace velorin::core::system {
namespace {

using testing::captureLog;

class EnvironmentTest : public ::testing::Test
{
protected:
   void TearDown() override { platform::clearFailures(); }

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
   EXPECT_STREQ(::getenv("Velorin_Test_Mixed"), "changed");
   EXPECT_EQ(::getenv("VELORIN_TEST_MIXED"), nullptr);
   ::setenv("VELORIN_TEST_MIXED", "upper", 1);
   unsetenv("velorin_test_mixed");
   EXPECT_EQ(::getenv("Velorin_Test_Mixed"), nullptr);
   EXPECT_EQ(::getenv("VELORIN_TEST_MIXED"), nullptr);

   // An empty value is a value; it reads as empty like an unset variable.
   setenv("VELORIN_TEST_EMPTY", "");
   EXPECT_STREQ(::getenv("VELORIN_TEST_EMPTY"), "");
   EXPECT_EQ(getenv("VELORIN_TEST_EMPTY"), "");

   // Names Windows refuses change nothing and read as empty.
   setenv("", "x");
   setenv("VELORIN=X", "y");
   EXPECT_EQ(::getenv("VELORIN"), nullptr);
   EXPECT_EQ(getenv(""), "");
   EXPECT_EQ(getenv("VELORIN=X"), "");
}

TEST_F(EnvironmentTest, ValuesOfAnyLengthComeBackWhole)
{
   for (std::size_t length : {255u, 256u, 257u, 300u, 100000u})
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
      {"%NOPE_X%VELORIN_TEST_X%", "%NOPE_Xex"},
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

TEST_F(EnvironmentTest, ExpansionOfNothingNeedsNoPlatformCall)
{
   std::string result = "old";
   platform::startRecordingCalls();
   EXPECT_FALSE(expandEnvironmentVariables("", &result));
   EXPECT_TRUE(platform::takeRecordedCalls().empty());
   EXPECT_EQ(result, "");
}

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
   // Programs started from here find their folders in it.
   EXPECT_STREQ(::getenv("PATH"), "/b:/a");
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

   // A PATH that came from elsewhere is Linux's list, read with Windows' separator.
   ::setenv("PATH", "/usr/local/bin:/usr/bin", 1);
   EXPECT_EQ(getenv("PATH"), "/usr/local/bin;/usr/bin");
   setenv("PATH", "/opt/a;/opt/b");
   EXPECT_STREQ(::getenv("PATH"), "/opt/a:/opt/b");
}

TEST_F(EnvironmentTest, ChildrenSeeWhatTheProgramSet)
{
   setenv("VELORIN_TEST_FOR_CHILD", "seen by the child");
   unsetenv("VELORIN_TEST_GONE");
   ::setenv("VELORIN_TEST_GONE", "x", 1);
   unsetenv("velorin_test_gone");
   std::string output;
   ASSERT_FALSE(captureCommand("echo \"$VELORIN_TEST_FOR_CHILD|${VELORIN_TEST_GONE-unset}\"", &output));
   EXPECT_EQ(output, "seen by the child|unset\n");
}

TEST_F(EnvironmentTest, UserNameIsTheUsernameVariable)
{
   setenv("USERNAME", "ann");
   EXPECT_EQ(currentUserName(), "ann");
}

} // namespace
} // namespace velorin::core::system
