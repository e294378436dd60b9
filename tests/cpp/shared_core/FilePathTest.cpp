// FilePathTest.cpp: the path value and its lexical members, on Windows paths.
#include <shared_core/FilePath.hpp>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>

#include "CapturingLogDestination.hpp"
#include "UnderWine.hpp"

namespace velorin::core {
namespace {

using testing::captureLog;

// The drive a root-relative path takes: the working directory's on Windows, none on
// Linux, where the working directory has no drive.
std::string workingDrive()
{
#ifdef _WIN32
   char buffer[4096];
   return ::getcwd(buffer, sizeof(buffer)) != nullptr ? std::string(buffer, 2) : std::string();
#else
   return std::string();
#endif
}

TEST(FilePathTest, EmptyPaths)
{
   const FilePath defaulted;
   const FilePath fromEmptyText{std::string()};
   const FilePath fromEmptyWide{std::wstring()};
   for (const FilePath& path : {defaulted, fromEmptyText, fromEmptyWide})
   {
      EXPECT_TRUE(path.isEmpty());
      EXPECT_EQ("", path.getAbsolutePath());
      EXPECT_EQ("", path.getAbsolutePathNative());
      EXPECT_EQ(L"", path.getAbsolutePathW());
      EXPECT_EQ("", path.getFilename());
      EXPECT_EQ("", path.getLexicallyNormalPath());
      EXPECT_TRUE(path.getParent().isEmpty());
   }
   EXPECT_EQ(defaulted, fromEmptyText);
}

TEST(FilePathTest, TextFormsKeepTheStoredText)
{
   const FilePath path("C:\\Users\\me");
   EXPECT_EQ("C:/Users/me", path.getAbsolutePath());
   EXPECT_EQ("C:\\Users\\me", path.getAbsolutePathNative());
   EXPECT_EQ(L"C:\\Users\\me", path.getAbsolutePathW());
   EXPECT_EQ(FilePath("C:/Users/me"), path);

   EXPECT_EQ("docs/a.txt", FilePath("docs/a.txt").getAbsolutePath());
   EXPECT_EQ("C:/a/../b/./", FilePath("C:/a/../b/./").getAbsolutePath()) << "nothing is normalised";

   EXPECT_EQ("C:/x/y", FilePath(std::wstring(L"C:\\x\\y")).getAbsolutePath());
   EXPECT_EQ("C:\\x\\y", FilePath(std::wstring(L"C:\\x\\y")).getAbsolutePathNative());
   EXPECT_EQ("C:/caf\xC3\xA9/x", FilePath("C:\\caf\xC3\xA9\\x").getAbsolutePath());
   EXPECT_EQ("C:\\caf\xC3\xA9\\x", FilePath("C:\\caf\xC3\xA9\\x").getAbsolutePathNative());

   std::ostringstream stream;
   stream << path;
   EXPECT_EQ("C:/Users/me", stream.str());
}

TEST(FilePathTest, TextIsUtf8OutsideAndUtf16Inside)
{
   // U+00E9 is one UTF-16 unit; U+1F600 a surrogate pair.
   const FilePath path("C:/caf\xC3\xA9/\xF0\x9F\x98\x80.txt");
   const std::wstring wide = path.getAbsolutePathW();
   ASSERT_EQ(std::wstring(L"C:/caf").size() + 1 + 1 + 2 + 4, wide.size());
   EXPECT_EQ(0xE9, static_cast<int>(wide[6]));
   EXPECT_EQ(0xD83D, static_cast<int>(wide[8]));
   EXPECT_EQ(0xDE00, static_cast<int>(wide[9]));
   EXPECT_EQ("C:/caf\xC3\xA9/\xF0\x9F\x98\x80.txt", path.getAbsolutePath());
   EXPECT_EQ("\xF0\x9F\x98\x80.txt", path.getFilename());
   EXPECT_EQ(path, FilePath(wide));
}

TEST(FilePathTest, BadUtf8AndEmbeddedNulNeverThrow)
{
   auto log = captureLog();
   const FilePath invalid(std::string("C:/a\xFF" "b"));
#ifdef _WIN32
   // Windows names are UTF-16, so a byte that does not decode becomes U+FFFD.
   EXPECT_EQ("C:/a\xEF\xBF\xBD" "b", invalid.getAbsolutePath());
   EXPECT_EQ(std::wstring(L"C:/a\xFFFD" L"b"), invalid.getAbsolutePathW());
#else
   EXPECT_EQ("C:/a\xFF" "b", invalid.getAbsolutePath()) << "a byte that does not decode is kept";
   EXPECT_EQ(std::wstring(L"C:/a\xDCFF" L"b"), invalid.getAbsolutePathW());
#endif

   const FilePath withNul(std::string("C:/ab\0cd", 8));
   EXPECT_EQ("C:/ab", withNul.getAbsolutePath());
   EXPECT_TRUE(log->lines().empty());
}

// Plain ASCII is read in runs of bytes; a backslash, a byte from 0x80 on or a NUL must
// count wherever it stands in a run.
TEST(FilePathTest, TextFormsHoldWhereverAByteThatMattersStands)
{
   const auto widened = [](const std::string& text) { return std::wstring(text.begin(), text.end()); };
   for (const std::string plain : {"C:/a/b.txt", "C:/folder/sub/file-name.txt", "C:/folder/sub/name-of-thirty-three"})
   {
      for (std::size_t at = 3; at < plain.size(); ++at)
      {
         SCOPED_TRACE(plain + " at " + std::to_string(at));
         std::string withBackslash = plain;
         withBackslash[at] = '\\';
         std::string generic = withBackslash;
         generic[at] = '/';
         const FilePath backslashed(withBackslash);
         EXPECT_EQ(generic, backslashed.getAbsolutePath());
         EXPECT_EQ(withBackslash, backslashed.getAbsolutePathNative());
         EXPECT_EQ(widened(withBackslash), backslashed.getAbsolutePathW());

         const std::string accented = plain.substr(0, at) + "\xC3\xA9" + plain.substr(at);
         const FilePath decoded(accented);
         EXPECT_EQ(accented, decoded.getAbsolutePath());
         EXPECT_EQ(widened(plain.substr(0, at)) + L'\xE9' + widened(plain.substr(at)), decoded.getAbsolutePathW());

         std::string withNul = plain;
         withNul[at] = '\0';
         EXPECT_EQ(plain.substr(0, at), FilePath(withNul).getAbsolutePath());
      }
   }
}

// Texts of every length up to forty, each with a backslash, a two-byte character or a
// NUL at each place: short texts are read byte by byte, longer ones in words and runs.
TEST(FilePathTest, TextFormsHoldAtEveryLengthAndPlace)
{
   const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN";
   for (std::size_t size = 1; size <= letters.size(); ++size)
   {
      const std::string plain = letters.substr(0, size);
      const std::wstring plainWide(plain.begin(), plain.end());
      EXPECT_EQ(plain, FilePath(plain).getAbsolutePath());
      EXPECT_EQ(plainWide, FilePath(plain).getAbsolutePathW());
      for (std::size_t at = 0; at < size; ++at)
      {
         SCOPED_TRACE(std::to_string(size) + " units, at " + std::to_string(at));
         std::string withBackslash = plain;
         withBackslash[at] = '\\';
         std::string generic = plain;
         generic[at] = '/';
         EXPECT_EQ(generic, FilePath(withBackslash).getAbsolutePath());
         EXPECT_EQ(withBackslash, FilePath(withBackslash).getAbsolutePathNative());

         const std::string accented = plain.substr(0, at) + "\xC3\xA9" + plain.substr(at);
         EXPECT_EQ(accented, FilePath(accented).getAbsolutePath());
         EXPECT_EQ(plainWide.substr(0, at) + L'\xE9' + plainWide.substr(at), FilePath(accented).getAbsolutePathW());

         std::string withNul = plain;
         withNul[at] = '\0';
         EXPECT_EQ(plain.substr(0, at), FilePath(withNul).getAbsolutePath());
      }
   }
}

// Plain ASCII paths and the others are held differently; every member that takes two
// paths, or builds one, must give the same answers across the two.
TEST(FilePathTest, AsciiAndOtherPathsMeetAsEqualValues)
{
   struct Case
   {
      const char* path;
      const char* scope;
      bool within;
      const char* relative;
   };
   const Case cases[] = {
      {"C:/a/\xC3\xA9", "C:/a", true, "\xC3\xA9"},
      {"C:/a/b", "C:/a/\xC3\xA9", false, "../b"},
      {"C:/\xC3\xA9/b/c", "C:/\xC3\xA9", true, "b/c"},
      {"C:\\\xC3\xA9\\b", "C:/\xC3\xA9/", true, "b"},
      {"C:/a", "D:/\xC3\xA9", false, ""},
   };
   for (const Case& c : cases)
   {
      SCOPED_TRACE(std::string(c.path) + " in " + c.scope);
      EXPECT_EQ(c.within, FilePath(c.path).isWithin(FilePath(c.scope)));
      EXPECT_EQ(c.relative, FilePath(c.path).getRelativePath(FilePath(c.scope)));
      EXPECT_NE(FilePath(c.path), FilePath(c.scope));
   }

   // A path computed from one that is not plain ASCII may be, and the reverse.
   EXPECT_EQ(FilePath("C:/a"), FilePath("C:/a/\xC3\xA9").getParent());
   EXPECT_EQ(FilePath("C:/a/\xC3\xA9"), FilePath("C:/a").completePath("\xC3\xA9"));
   EXPECT_TRUE(FilePath("C:/a") < FilePath("C:/a/\xC3\xA9"));
   EXPECT_FALSE(FilePath("C:/a/\xC3\xA9") < FilePath("C:/a"));
   EXPECT_TRUE(FilePath("C:/\xC3\xA9") < FilePath("C:/\xC3\xA9/b"));

   // Wide text that is plain ASCII is the same value as its UTF-8 form; a unit from
   // 0x80 on is kept as it is.
   const std::wstring wide = L"C:\\a/b\x7F";
   EXPECT_EQ(wide, FilePath(wide).getAbsolutePathW());
   EXPECT_EQ("C:\\a/b\x7F", FilePath(wide).getAbsolutePathNative());
   EXPECT_EQ("C:/a/b\x7F", FilePath(wide).getAbsolutePath());
   EXPECT_EQ(FilePath("C:/a/b\x7F"), FilePath(wide));
   const std::wstring beyond = L"C:/a/\x80";
   EXPECT_EQ(beyond, FilePath(beyond).getAbsolutePathW());
   EXPECT_EQ("C:/a/\xC2\x80", FilePath(beyond).getAbsolutePath());
   EXPECT_EQ("\xC2\x80", FilePath(beyond).getFilename());
}

// Paths longer than the room kept for short texts reach every member as well.
TEST(FilePathTest, LongPathsInLexicalMembers)
{
   std::string folder = "C:";
   while (folder.size() < 600)
      folder += "/folder-" + std::to_string(folder.size());
   const FilePath scope(folder);
   const FilePath child(folder + "/x/./y/../name.txt");
   EXPECT_EQ(folder + "/x/name.txt", child.getLexicallyNormalPath());
   EXPECT_TRUE(child.isWithin(scope));
   EXPECT_EQ("x/name.txt", child.getRelativePath(scope));
   EXPECT_EQ(FilePath(folder + "/x/y"), scope.completePath("x/y"));
   EXPECT_EQ(FilePath(folder + "\\x\\."), FilePath(folder + "/x/"));
   EXPECT_TRUE(scope < child);
   EXPECT_EQ("name.txt", child.getFilename());
   EXPECT_EQ(FilePath(folder + "/x/./y/.."), child.getParent());
}

#ifndef _WIN32
// Arms failures of the Linux stand-ins, which Windows' own conversions do not heed.
TEST(FilePathTest, FailedConversionGivesTheEmptyPath)
{
   auto log = captureLog();
   velorin::platform::failNext("widePathFromUtf8", ERROR_INVALID_PARAMETER);
   const FilePath path("C:/caf\xC3\xA9");
   EXPECT_TRUE(path.isEmpty());
   EXPECT_EQ(1u, log->lines().size());

   velorin::platform::failNext("utf8PathFromWide", ERROR_NOT_ENOUGH_MEMORY);
   EXPECT_EQ("", FilePath("C:/caf\xC3\xA9").getAbsolutePath());
   ASSERT_EQ(2u, log->lines().size());
   EXPECT_NE(std::string::npos, log->lines()[1].find("system error 8")) << log->lines()[1];
}
#endif

TEST(FilePathTest, ElementComparison)
{
   struct Case
   {
      const char* left;
      const char* right;
      bool equal;
   };
   const Case cases[] = {
      {"C:\\a\\b", "C:/a/b", true},
      {"C:/a//b", "C:/a/b", true},
      {"C:/a/", "C:/a", false},
      {"C:/a/", "C:/a/.", true},
      {"C:/A", "C:/a", false},
      {"c:/a", "C:/a", false},
      {"//server/share", "\\\\server\\share", true},
      {"C:a", "C:/a", false},
      {"a/b", "a\\b", true},
      {"", "", true},
      {"", ".", false},
   };
   for (const Case& c : cases)
   {
      EXPECT_EQ(c.equal, FilePath(c.left) == FilePath(c.right)) << c.left << " vs " << c.right;
      EXPECT_EQ(!c.equal, FilePath(c.left) != FilePath(c.right)) << c.left << " vs " << c.right;
   }
}

TEST(FilePathTest, Ordering)
{
   EXPECT_TRUE(FilePath("C:/B") < FilePath("C:/a"));
   EXPECT_FALSE(FilePath("C:/a") < FilePath("C:/B"));
   EXPECT_TRUE(FilePath("C:/a").isLessThanIgnoringCase(FilePath("c:/B")));
   EXPECT_FALSE(FilePath("c:/B").isLessThanIgnoringCase(FilePath("C:/a")));

   // By element, not by text: "a/b" comes before "a-b" although '-' < '/'.
   EXPECT_TRUE(FilePath("C:/a/b") < FilePath("C:/a-b"));
   EXPECT_TRUE(FilePath("C:/a") < FilePath("C:/a/b"));
   EXPECT_FALSE(FilePath("C:/a") < FilePath("C:\\a"));

   // UTF-16 order: U+FF21 (one unit) sorts after U+1F600 (surrogates from 0xD800).
   EXPECT_TRUE(FilePath("C:/\xF0\x9F\x98\x80") < FilePath("C:/\xEF\xBC\xA1"));
}

TEST(FilePathTest, PartsOfAName)
{
   struct Case
   {
      const char* path;
      const char* filename;
      const char* stem;
      const char* extension;
      bool hidden;
   };
   const Case cases[] = {
      {"C:/a/report.TXT", "report.TXT", "report", ".TXT", false},
      {"C:/a/archive.tar.gz", "archive.tar.gz", "archive.tar", ".gz", false},
      {"C:/a/.gitignore", ".gitignore", "", ".gitignore", true},
      {"C:/a/b/", ".", ".", "", true},
      {"C:/a/..", "..", "..", "", true},
      {"C:/a/noext", "noext", "noext", "", false},
      {"C:/a/trailing.", "trailing.", "trailing", ".", false},
      {"C:\\a\\b.txt", "b.txt", "b", ".txt", false},
      {"C:/", "/", "/", "", false},
      {"/", "/", "/", "", false},
      {"C:", "C:", "C:", "", false},
      {"C:x.txt", "x.txt", "x", ".txt", false},
      {"//server", "//server", "//server", "", false},
      {"//server/share", "share", "share", "", false},
      {"name", "name", "name", "", false},
      {"", "", "", "", false},
   };
   for (const Case& c : cases)
   {
      const FilePath path(c.path);
      EXPECT_EQ(c.filename, path.getFilename()) << c.path;
      EXPECT_EQ(c.stem, path.getStem()) << c.path;
      EXPECT_EQ(c.extension, path.getExtension()) << c.path;
      EXPECT_EQ(c.hidden, path.isHidden()) << c.path;
   }

   const FilePath report("C:/a/report.TXT");
   EXPECT_EQ(".txt", report.getExtensionLowerCase());
   EXPECT_TRUE(report.hasExtension(".TXT"));
   EXPECT_FALSE(report.hasExtension("txt"));
   EXPECT_FALSE(report.hasExtension(".txt"));
   EXPECT_TRUE(report.hasExtensionLowerCase(".txt"));
   EXPECT_FALSE(report.hasExtensionLowerCase(".TXT"));
}

TEST(FilePathTest, Parent)
{
   const std::pair<const char*, const char*> cases[] = {
      {"C:/a/b.txt", "C:/a"},
      {"C:/a/b", "C:/a"},
      {"C:/a", "C:/"},
      {"C:\\a", "C:/"},
      {"C:/", "C:"},
      {"C:", ""},
      {"C:x", "C:"},
      {"C:/a/b/", "C:/a/b"},
      {"C:/a//b", "C:/a"},
      {"b.txt", ""},
      {"a/b", "a"},
      {"/", ""},
      {"/x", "/"},
      {"//server/share", "//server/"},
      {"//server", ""},
      {"/tmp/x/y", "/tmp/x"},
   };
   for (const auto& c : cases)
   {
      const FilePath parent = FilePath(c.first).getParent();
      EXPECT_EQ(c.second, parent.getAbsolutePath()) << c.first;
      EXPECT_EQ(c.second, parent.getAbsolutePathNative()) << "computed paths use '/': " << c.first;
   }
}

TEST(FilePathTest, LexicallyNormalForm)
{
   const std::pair<const char*, const char*> cases[] = {
      {"C:/a/./b/../c", "C:/a/c"},
      {"C:/a/", "C:/a/."},
      {"C:\\a\\b\\..\\c", "C:/a/c"},
      {"C:/a/b/../../..", "C:/.."},
      {"C:/../a", "C:/../a"},
      {"a/..", "."},
      {"a/../", "."},
      {"../a", "../a"},
      {"./a", "./a"},
      {"a/./b/.", "a/b/."},
      {"a//b///c", "a/b/c"},
      {"x/../../y", "../y"},
      {"C:x/../y", "C:y"},
      {"C:..", "C:.."},
      {"//server/share/../x", "//server/x"},
      {".", "."},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.second, FilePath(c.first).getLexicallyNormalPath()) << c.first;
}

TEST(FilePathTest, RelativePath)
{
   struct Case
   {
      const char* path;
      const char* base;
      const char* relative;
   };
   const Case cases[] = {
      {"C:/a/b/c", "C:/a", "b/c"},
      {"C:/a", "C:/a", "."},
      {"C:/x", "C:/a", "../x"},
      {"D:/x", "C:/a", ""},
      {"C:/a/b", "C:/a/", "b"},
      {"C:\\a\\b\\c", "C:/a/./x/..", "b/c"},
      {"C:/a/b", "C:/a/c/d", "../../b"},
      {"a/b", "a", "b"},
      {"x", "", ""},
      {"", "C:/a", ""},
   };
   for (const Case& c : cases)
      EXPECT_EQ(c.relative, FilePath(c.path).getRelativePath(FilePath(c.base))) << c.path << " to " << c.base;
}

TEST(FilePathTest, IsWithin)
{
   struct Case
   {
      const char* path;
      const char* scope;
      bool within;
   };
   const Case cases[] = {
      {"C:/a/b", "C:/a", true},
      {"C:/a/b", "C:/a/", true},
      {"C:\\a\\b", "C:/a", true},
      {"C:/ab", "C:/a", false},
      {"C:/a", "C:/a", true},
      {"C:/A/b", "C:/a", false},
      {"C:/a/../b", "C:/a", false},
      {"C:/a/x/../b", "C:/a", true},
      {"C:/a", "C:/a/b", false},
      {"D:/a/b", "C:/a", false},
      {"C:/anything", "", true},
      {"", "", true},
      {"", "C:/a", false},
   };
   for (const Case& c : cases)
      EXPECT_EQ(c.within, FilePath(c.path).isWithin(FilePath(c.scope))) << c.path << " in " << c.scope;
}

TEST(FilePathTest, IsRootPath)
{
   const std::pair<const char*, bool> cases[] = {
      {"", false},   {"x", false},          {"x/y", false},    {"/x", true},
      {"\\x", true}, {"C:", true},          {"C:x", true},     {"C:/x", true},
      {"/", true},   {"//server/share", true}, {"./x", false},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.second, FilePath::isRootPath(c.first)) << c.first;
}

TEST(FilePathTest, CompletePath)
{
   const FilePath base("C:/base");
   const std::pair<const char*, const char*> cases[] = {
      {"x/y", "C:/base/x/y"},
      {"", "C:/base"},
      {"D:/z", "D:/z"},
      {"/z", "C:/z"},
      {"\\z", "C:/z"},
      {"D:z", "D:/base/z"},
      {"//server/share/x", "//server/share/x"},
      {"x/../y", "C:/base/x/../y"},
      {"x\\y", "C:/base/x/y"},
   };
   for (const auto& c : cases)
   {
      const FilePath completed = base.completePath(c.first);
      EXPECT_EQ(c.second, completed.getAbsolutePath()) << c.first;
      EXPECT_EQ(c.second, completed.getAbsolutePathNative()) << "built from the generic form: " << c.first;
   }
   EXPECT_EQ("//server/share/x", FilePath("\\\\server\\share").completePath("x").getAbsolutePath());
   EXPECT_EQ("C:/base/x", FilePath("C:/base/").completePath("x").getAbsolutePath());
}

TEST(FilePathTest, CompletePathOfARelativeBaseUsesTheWorkingDirectory)
{
   char buffer[4096];
   ASSERT_NE(nullptr, ::getcwd(buffer, sizeof(buffer)));
   std::string current = buffer;
#ifdef _WIN32
   std::replace(current.begin(), current.end(), '\\', '/');
#endif
   EXPECT_EQ(workingDrive() + "/", FilePath("/").completePath("").getAbsolutePath())
      << "the root directory of the working directory's drive";

   EXPECT_EQ(current + "/rel/x", FilePath("rel").completePath("x").getAbsolutePath());
   EXPECT_EQ(current + "/x", FilePath().completePath("x").getAbsolutePath());
}

TEST(FilePathTest, CompleteChildPath)
{
   const FilePath base("C:/base");
   FilePath child;
   EXPECT_FALSE(base.completeChildPath("x/y", child));
   EXPECT_EQ("C:/base/x/y", child.getAbsolutePath());
   EXPECT_FALSE(base.completeChildPath("", child));
   EXPECT_EQ("C:/base", child.getAbsolutePath());
   EXPECT_FALSE(base.completeChildPath("x/../y", child));
   EXPECT_EQ("C:/base/x/../y", child.getAbsolutePath());

   for (const char* rejected : {"/x", "\\x", "C:x", "D:/x", "../x", "x/../../y", "//server/x"})
   {
      child = FilePath("C:/other");
      const Error error = base.completeChildPath(rejected, child);
      ASSERT_TRUE(error) << rejected;
      EXPECT_TRUE(isFileNotFoundError(error)) << rejected;
      // Wine's FormatMessage has texts of its own.
      if (!testing::runningUnderWine())
      {
         EXPECT_EQ("The system cannot find the file specified", error.getMessage());
      }
      EXPECT_EQ(base, child) << rejected;
      const Error::Properties expected = {{"path", "C:/base"}, {"path", rejected}};
      EXPECT_EQ(expected, error.getProperties()) << rejected;
   }
}

TEST(FilePathTest, CompleteChildPathLogsARejection)
{
   auto log = captureLog();
   const FilePath base("C:/base");
   EXPECT_EQ(base, base.completeChildPath("../x"));
   ASSERT_EQ(1u, log->lines().size());
   EXPECT_NE(std::string::npos, log->lines()[0].find("[path: C:/base, path: ../x]")) << log->lines()[0];
   EXPECT_EQ("C:/base/logs", base.completeChildPath("logs").getAbsolutePath());
   EXPECT_EQ(1u, log->lines().size());
}

TEST(FilePathTest, AliasedPath)
{
   const FilePath home("C:/Users/me");
   EXPECT_EQ("~", FilePath::createAliasedPath(FilePath("C:/Users/me"), home));
   EXPECT_EQ("~", FilePath::createAliasedPath(FilePath("C:\\Users\\me"), home));
   EXPECT_EQ("~/docs/a.txt", FilePath::createAliasedPath(FilePath("C:/Users/me/docs/a.txt"), home));
   EXPECT_EQ("D:/x", FilePath::createAliasedPath(FilePath("D:/x"), home));
   EXPECT_EQ("C:/Users/meta", FilePath::createAliasedPath(FilePath("C:/Users/meta"), home));
}

TEST(FilePathTest, AliasedPathWithoutHomeKeepsThePath)
{
   const FilePath noHome;
   const std::vector<std::pair<std::string, std::string>> cases = {
      {"C:/x", "C:/x"}, {"D:\\y\\z", "D:/y/z"}, {"rel/a.txt", "rel/a.txt"}, {"/abs/b", "/abs/b"}, {"", ""}};
   for (const auto& c : cases)
      EXPECT_EQ(c.second, FilePath::createAliasedPath(FilePath(c.first), noHome)) << c.first;
   EXPECT_EQ(workingDrive() + "/abs/b",
             FilePath::resolveAliasedPath(FilePath::createAliasedPath(FilePath("/abs/b"), noHome), noHome)
                .getAbsolutePath());
}

TEST(FilePathTest, PathErrorProperties)
{
   Error error = systemError(2, ERROR_LOCATION);
   error.addProperty("path", FilePath("C:\\a\\b"));
   error.addOrUpdateProperty("path", FilePath("D:\\c"));
   error.addOrUpdateProperty("target", FilePath("E:/d"));
   const Error::Properties expected = {{"path", "D:/c"}, {"target", "E:/d"}};
   EXPECT_EQ(expected, error.getProperties());
}

TEST(FilePathTest, NotFoundErrors)
{
   const FilePath path("C:/a");
   struct Case
   {
      Error error;
      int code;
      std::string pathProperty;
   };
   const Case cases[] = {
      {fileExistsError(ERROR_LOCATION), 80, ""},
      {fileExistsError(path, ERROR_LOCATION), 80, "C:/a"},
      {fileNotFoundError(ERROR_LOCATION), 2, ""},
      {fileNotFoundError("x\\y", ERROR_LOCATION), 2, "x\\y"},
      {fileNotFoundError(FilePath("x\\y"), ERROR_LOCATION), 2, "x/y"},
      {pathNotFoundError(ERROR_LOCATION), 3, ""},
      {pathNotFoundError("p", ERROR_LOCATION), 3, "p"},
      {notFoundError(path, ERROR_LOCATION), 3, "C:/a"},
      {notFoundError(FilePath(), ERROR_LOCATION), 3, ""},
   };
   for (const Case& c : cases)
   {
      EXPECT_EQ("system", c.error.getName());
      EXPECT_EQ(c.code, c.error.getCode());
      EXPECT_EQ(c.pathProperty.empty() ? 0u : 1u, c.error.getProperties().size());
      EXPECT_EQ(c.pathProperty, c.error.getProperty("path"));
      EXPECT_EQ(c.code == 2, isFileNotFoundError(c.error));
      EXPECT_EQ(c.code == 3, isPathNotFoundError(c.error));
      EXPECT_EQ(c.code != 80, isNotFoundError(c.error));
   }
   EXPECT_FALSE(isNotFoundError(Success()));
   EXPECT_FALSE(isNotFoundError(Error("other", 2, ERROR_LOCATION)));
}

TEST(FilePathTest, MimeTypes)
{
   const std::pair<const char*, const char*> cases[] = {
      {"index.HTML", "text/html"},
      {"C:/a/a.r", "text/x-r-source"},
      {"a.R", "text/x-r-source"},
      {".gitignore", "text/plain"},
      {"C:/a/.gitignore", "text/plain"},
      {"a.log", "text/plain"},
      {"a.json", "application/json"},
      {"a.Renviron", "text/x-shell"},
      {"a.RENVIRON", "text/x-shell"},
      {"a.docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
      {"a.ogg", "audio/ogg"},
      {"a.tar.gz", "application/x-gzip"},
      {"a.xyz", "default/type"},
      {"noextension", "default/type"},
      {"a.", "default/type"},
      {"C:/a/b/", "default/type"},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.second, FilePath(c.first).getMimeContentType("default/type")) << c.first;
   EXPECT_EQ("text/plain", FilePath("a.xyz").getMimeContentType());

   const std::pair<const char*, bool> textCases[] = {
      {"a.svg", true},  {"a.atom", true}, {"a.md", true},  {"a.TXT", true},
      {"a.json", false}, {"a.png", false}, {"noext", false}, {"a.xyz", false},
   };
   for (const auto& c : textCases)
      EXPECT_EQ(c.second, FilePath(c.first).hasTextMimeType()) << c.first;
}

TEST(FilePathTest, EveryContentTypeOfTheTable)
{
   const std::pair<const char*, const char*> cases[] = {
      {"a.HTM", "text/html"},
      {"a.css", "text/css"},
      {"a.sass", "text/sass"},
      {"a.SCSS", "text/scss"},
      {"a.gif", "image/gif"},
      {"a.jpg", "image/jpeg"},
      {"a.PNG", "image/png"},
      {"a.js", "text/javascript"},
      {"a.pdf", "application/pdf"},
      {"a.SVG", "image/svg+xml"},
      {"a.swf", "application/x-shockwave-flash"},
      {"a.ttf", "application/x-font-ttf"},
      {"a.WOFF", "application/font-woff"},
      {"a.md", "text/x-markdown"},
      {"a.yaml", "text/x-yaml"},
      {"a.f", "text/x-fortran"},
      {"a.py", "text/x-python"},
      {"a.sh", "text/x-shell"},
      {"a.SQL", "text/x-sql"},
      {"a.stan", "text/x-stan"},
      {"a.clj", "text/x-clojure"},
      {"a.XML", "text/xml"},
      {"a.csv", "text/csv"},
      {"a.ico", "image/x-icon"},
      {"a.ZIP", "application/zip"},
      {"a.bz", "application/x-bzip"},
      {"a.bz2", "application/x-bzip2"},
      {"a.gz", "application/x-gzip"},
      {"a.tar", "application/x-tar"},
      {"a.json", "application/json"},
      {"a.TSV", "text/tab-separated-values"},
      {"a.dcf", "text/debian-control-file"},
      {"a.ini", "text/plain"},
      {"a.MML", "text/mathml"},
      {"a.csl", "text/x-csl"},
      {"a.R", "text/x-r-source"},
      {"a.Rd", "text/x-r-doc"},
      {"a.Rnw", "text/x-r-sweave"},
      {"a.Rmd", "text/x-r-markdown"},
      {"a.Rhtml", "text/x-r-html"},
      {"a.tif", "image/tiff"},
      {"a.bmp", "image/bmp"},
      {"a.ps", "application/postscript"},
      {"a.dvi", "application/x-dvi"},
      {"a.atom", "application/atom+xml"},
      {"a.RSS", "application/rss+xml"},
      {"a.doc", "application/msword"},
      {"a.docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
      {"a.ODT", "application/vnd.oasis.opendocument.text"},
      {"a.rtf", "application/rtf"},
      {"a.xls", "application/vnd.ms-excel"},
      {"a.XLSX", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
      {"a.ods", "application/x-vnd.oasis.opendocument.spreadsheet"},
      {"a.ppt", "application/vnd.ms-powerpoint"},
      {"a.PPTX", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
      {"a.sit", "application/x-stuffit"},
      {"a.sxw", "application/vnd.sun.xml.writer"},
      {"a.ISO", "application/octet-stream"},
      {"a.xpi", "application/x-xpinstall"},
      {"a.mp2", "audio/mpeg"},
      {"a.MPG", "video/mpeg"},
      {"a.flv", "video/x-flv"},
      {"a.mp4", "video/mp4"},
      {"a.WEBM", "video/webm"},
      {"a.ogv", "video/ogg"},
      {"a.mp3", "audio/mp3"},
      {"a.WAV", "audio/wav"},
      {"a.oga", "audio/ogg"},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.second, FilePath(c.first).getMimeContentType("none")) << c.first;
}

TEST(FilePathTest, CopiesShareTheValue)
{
   FilePath path("C:/a");
   const FilePath copy = path;
   path = FilePath("C:/b");
   EXPECT_EQ("C:/a", copy.getAbsolutePath());
   EXPECT_EQ("C:/b", path.getAbsolutePath());
}

} // namespace
} // namespace velorin::core
