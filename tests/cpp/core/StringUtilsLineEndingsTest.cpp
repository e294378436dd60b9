// StringUtilsLineEndingsTest.cpp: conversion, counting and cutting of line breaks,
// and comment headers.
#include <core/StringUtils.hpp>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>
#include <boost/regex.hpp>
#include <gtest/gtest.h>

#include <shared_core/FilePath.hpp>

#include "CapturingLogDestination.hpp"
#include "FifoGuard.hpp"
#include "ScratchFolder.hpp"

namespace velorin::core::string_utils {
namespace {

// The line-break expression the converter answers to; it scans by hand for speed, so
// every conversion is checked against the expression on the same input.
std::string convertWithRegex(const std::string& text, LineEnding lineEnding)
{
   if (lineEnding != LineEndingCrLf && lineEnding != LineEndingLf && lineEnding != LineEndingPlatform)
      return text;
   const boost::regex lineBreak("\\r?\\n|\\r|\\xE2\\x80[\\xA8\\xA9]");
   return boost::regex_replace(text, lineBreak, lineEnding == LineEndingLf ? "\n" : "\r\n");
}

std::string converted(std::string text, LineEnding lineEnding)
{
   convertLineEndings(&text, lineEnding);
   return text;
}

TEST(ConvertLineEndings, ReplacesEveryFormOfBreak)
{
   const std::string lineSeparator = "\xE2\x80\xA8";
   const std::string paragraphSeparator = "\xE2\x80\xA9";
   struct Case
   {
      std::string text;
      LineEnding lineEnding;
      std::string expected;
   };
   const std::vector<Case> cases = {
      {"a\rb\nc\r\nd", LineEndingLf, "a\nb\nc\nd"},
      {"a\rb\nc\r\nd", LineEndingCrLf, "a\r\nb\r\nc\r\nd"},
      {"a\rb\nc\r\nd", LineEndingPlatform, "a\r\nb\r\nc\r\nd"},
      {"a\rb\nc\r\nd", LineEndingUnchanged, "a\rb\nc\r\nd"},
      {"a\rb\nc\r\nd", static_cast<LineEnding>(7), "a\rb\nc\r\nd"},
      {"a" + lineSeparator + "b" + paragraphSeparator, LineEndingLf, "a\nb\n"},
      {"a\r\r\nb", LineEndingLf, "a\n\nb"},
      {"a\r\r\nb", LineEndingCrLf, "a\r\n\r\nb"},
      {"\n\r\n\r", LineEndingCrLf, "\r\n\r\n\r\n"},
      // Only the whole three-byte separators are breaks.
      {"\xE2\x80", LineEndingLf, "\xE2\x80"},
      {"\xE2\x80\xAA\xE2\xE2\x80\xA9", LineEndingLf, "\xE2\x80\xAA\xE2\n"},
      {"caf\xC3\xA9\r\n", LineEndingLf, "caf\xC3\xA9\n"},
      {std::string("a\0\rb", 4), LineEndingLf, std::string("a\0\nb", 4)},
      {"", LineEndingCrLf, ""},
      {"no breaks", LineEndingCrLf, "no breaks"},
   };
   for (const Case& c : cases)
   {
      EXPECT_EQ(c.expected, converted(c.text, c.lineEnding)) << "text: " << c.text;
      EXPECT_EQ(convertWithRegex(c.text, c.lineEnding), converted(c.text, c.lineEnding)) << "text: " << c.text;
   }
}

TEST(ConvertLineEndings, MatchesTheLineBreakExpressionOnRandomText)
{
   // The bytes that make or almost make breaks, mixed with plain text.
   const std::string alphabet = std::string("ab\r\n\r\n", 6) + "\xE2\x80\xA8\xA9";
   std::mt19937 generator(20261210);
   std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
   std::uniform_int_distribution<std::size_t> length(0, 100);
   for (int round = 0; round < 3000; ++round)
   {
      std::string text;
      for (std::size_t i = length(generator); i > 0; --i)
         text.push_back(alphabet[pick(generator)]);
      for (LineEnding lineEnding : {LineEndingCrLf, LineEndingLf, LineEndingPlatform, LineEndingUnchanged})
         ASSERT_EQ(convertWithRegex(text, lineEnding), converted(text, lineEnding)) << "round " << round;
   }
}

TEST(CountLineBreaks, CountsLfAndCrLfButNoLoneCr)
{
   struct Case
   {
      std::string text;
      std::uint64_t expected;
   };
   const std::vector<Case> cases = {
      {"a\r\nb\nc\rd", 2},
      {"", 0},
      {"\r", 0},
      {"\r\r\n", 1},
      {"\n\n", 2},
      {"a\xE2\x80\xA8" "b", 0},
      {std::string("\0\n\0", 3), 1},
   };
   for (const Case& c : cases)
   {
      EXPECT_EQ(c.expected, countLineBreaks(c.text)) << c.text;
      EXPECT_EQ(c.expected, countLineBreaks(c.text.cbegin(), c.text.cend())) << c.text;
      const std::wstring wide(c.text.begin(), c.text.end());
      EXPECT_EQ(c.expected, countLineBreaks(wide)) << c.text;
      EXPECT_EQ(c.expected, countLineBreaks(wide.cbegin(), wide.cend())) << c.text;
   }
}

TEST(CountLineBreaks, WideRangeGivesWhereTheLastBreakStarts)
{
   const std::wstring crLf = L"a\r\nb";
   std::uint64_t count = 99;
   EXPECT_EQ(crLf.cbegin() + 1, countLineBreaks(crLf.cbegin(), crLf.cend(), &count));
   EXPECT_EQ(1u, count);

   const std::wstring mixed = L"x\r\ny\nz\r";
   EXPECT_EQ(mixed.cbegin() + 4, countLineBreaks(mixed.cbegin(), mixed.cend(), &count));
   EXPECT_EQ(2u, count);

   const std::wstring none = L"a\rb";
   EXPECT_EQ(none.cend(), countLineBreaks(none.cbegin(), none.cend(), &count));
   EXPECT_EQ(0u, count);

   // A CR LF pair cut by the range's end is a lone CR; one cut by its start is an LF.
   const std::wstring pair = L"\r\n";
   EXPECT_EQ(pair.cend() - 1, countLineBreaks(pair.cbegin(), pair.cend() - 1, &count));
   EXPECT_EQ(0u, count);
   EXPECT_EQ(pair.cbegin() + 1, countLineBreaks(pair.cbegin() + 1, pair.cend(), &count));
   EXPECT_EQ(1u, count);

   // Code units that are CR or LF only in their low byte are not breaks.
   const std::wstring wideUnits = {wchar_t(0x010D), wchar_t(0x010A), L'\n'};
   EXPECT_EQ(wideUnits.cbegin() + 2, countLineBreaks(wideUnits.cbegin(), wideUnits.cend(), &count));
   EXPECT_EQ(1u, count);
}

TEST(TrimLeadingLines, KeepsTheLastLinesLedByTheirLf)
{
   struct Case
   {
      int maxLines;
      std::string text;
      bool trimmed;
      std::string expected;
   };
   const std::vector<Case> cases = {
      {2, "l1\nl2\nl3\nl4\n", true, "\nl3\nl4\n"},
      {2, "abcd", false, "abcd"},
      {2, "\n\n\n\n", false, "\n\n\n\n"},
      {2, "line one\nline two\n", false, "line one\nline two\n"},
      {1, "first\nsecond\nthird", true, "\nsecond\nthird"},
      {0, "abc\ndef", true, "\ndef"},
      {3, "a\r\nb\r\nc\r\nd\r\n", true, "\nb\r\nc\r\nd\r\n"},
   };
   for (const Case& c : cases)
   {
      std::string text = c.text;
      EXPECT_EQ(c.trimmed, trimLeadingLines(c.maxLines, &text)) << c.text;
      EXPECT_EQ(c.expected, text) << c.text;
   }
}

TEST(ExtractCommentHeader, CollectsThePrefixedLinesAfterBlankOnes)
{
   const std::string prefix = "^# ?";
   std::string header = "kept:";
   EXPECT_TRUE(extractCommentHeader("\n  \n# one\n# two\ncode\n# three", prefix, &header));
   EXPECT_EQ("kept:one\ntwo\n", header);

   header.clear();
   EXPECT_TRUE(extractCommentHeader("#a\r\n#b\r\n", prefix, &header));
   EXPECT_EQ("a\nb\n", header);

   header = "unchanged";
   EXPECT_FALSE(extractCommentHeader("\ncode\n# later", prefix, &header));
   EXPECT_FALSE(extractCommentHeader("\n \n\t\n", prefix, &header));
   EXPECT_FALSE(extractCommentHeader("", prefix, &header));
   EXPECT_EQ("unchanged", header);
}

TEST(ExtractCommentHeader, CutsTheMatchLengthFromTheLineStart)
{
   // The match lies mid-line; its length, not its end, is cut.
   std::string header;
   EXPECT_TRUE(extractCommentHeader("ab--cd", "--", &header));
   EXPECT_EQ("--cd\n", header);
}

TEST(ExtractCommentHeader, InvalidPrefixPatternThrows)
{
   std::string header;
   EXPECT_THROW(extractCommentHeader("# x", "(", &header), boost::regex_error);
}

// A scratch folder of the test's own, removed with it.
class DetectLineEndings : public ::testing::Test
{
protected:
   FilePath file(const std::string& name, const std::string& contents)
   {
      const boost::filesystem::path path = folder_ / name;
      std::ofstream(path.string(), std::ios::binary) << contents;
      return FilePath(path.string());
   }

   const testing::ScratchFolder folder_{"line-endings-%%%%%%%%"};
};

TEST_F(DetectLineEndings, TheFirstBreakDecides)
{
   struct Case
   {
      std::string contents;
      bool found;
      LineEnding expected;
   };
   const std::vector<Case> cases = {
      {"x\ry\nz\r\n", true, LineEndingLf},
      {"x\r\ny\n", true, LineEndingCrLf},
      {"\r\r\n", true, LineEndingCrLf},
      {"\n\r\n", true, LineEndingLf},
      {"no break\r", false, LineEndingUnchanged},
      {"", false, LineEndingUnchanged},
   };
   auto log = testing::captureLog();
   int index = 0;
   for (const Case& c : cases)
   {
      LineEnding lineEnding = LineEndingUnchanged;
      EXPECT_EQ(c.found, detectLineEndings(file("f" + std::to_string(index++), c.contents), &lineEnding))
         << c.contents;
      EXPECT_EQ(c.expected, lineEnding) << c.contents;
   }
   EXPECT_TRUE(log->lines().empty());
}

TEST_F(DetectLineEndings, MissingFileGivesFalseSilently)
{
   auto log = testing::captureLog();
   LineEnding lineEnding = LineEndingPlatform;
   EXPECT_FALSE(detectLineEndings(FilePath((folder_ / "missing.txt").string()), &lineEnding));
   EXPECT_FALSE(detectLineEndings(FilePath((folder_ / "none" / "missing.txt").string()), &lineEnding));
   EXPECT_EQ(LineEndingPlatform, lineEnding);
   for (const std::string& line : log->lines())
      ADD_FAILURE() << line;
}

TEST_F(DetectLineEndings, UnopenableFileLogsAnError)
{
   auto log = testing::captureLog();
   LineEnding lineEnding = LineEndingPlatform;
   EXPECT_FALSE(detectLineEndings(FilePath(folder_.string()), &lineEnding));
   EXPECT_EQ(LineEndingPlatform, lineEnding);
   ASSERT_EQ(1u, log->lines().size());
   EXPECT_NE(std::string::npos, testing::withoutTimestamp(log->lines()[0]).find("] ERROR ")) << log->lines()[0];
}

// FIFOs and /proc are Linux's.
#ifndef _WIN32
// A FIFO would hold the reader until a writer came; it is refused at once and logged.
TEST_F(DetectLineEndings, FifoIsRefusedAtOnce)
{
   const std::string fifo = (folder_ / "fifo").string();
   ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
   auto log = testing::captureLog();
   LineEnding lineEnding = LineEndingPlatform;
   bool found = true;
   ASSERT_TRUE(testing::returnsPromptly(fifo, [&] { found = detectLineEndings(FilePath(fifo), &lineEnding); }));
   EXPECT_FALSE(found);
   EXPECT_EQ(LineEndingPlatform, lineEnding);
   ASSERT_EQ(1u, log->lines().size());
   EXPECT_NE(std::string::npos, log->lines()[0].find("system error 1920")) << log->lines()[0];
   EXPECT_NE(std::string::npos, log->lines()[0].find("path: " + fifo)) << log->lines()[0];
}

TEST_F(DetectLineEndings, ReadFailureLogsAWarning)
{
   // The process's own memory file opens, but its first page is unmapped, so the
   // first read fails with an I/O error.
   const std::string unreadable = "/proc/self/mem";
   const int fd = ::open(unreadable.c_str(), O_RDONLY);
   char byte;
   const bool readFails = fd >= 0 && ::read(fd, &byte, 1) < 0;
   if (fd >= 0)
      ::close(fd);
   if (!readFails)
      GTEST_SKIP() << unreadable << " does not fail to read here";

   auto log = testing::captureLog();
   LineEnding lineEnding = LineEndingPlatform;
   EXPECT_FALSE(detectLineEndings(FilePath(unreadable), &lineEnding));
   EXPECT_EQ(LineEndingPlatform, lineEnding);
   ASSERT_EQ(1u, log->lines().size());
   EXPECT_EQ(0u, testing::withoutTimestamp(log->lines()[0]).find("[] WARNING I/O Error reading file " + unreadable + ";"))
      << log->lines()[0];
}

#endif

} // namespace
} // namespace velorin::core::string_utils
