// StringUtilsHelpersTest.cpp: case conversion, prefixes, subsequences, truth values,
// versions, extensions and random bytes.
#include <core/StringUtils.hpp>

#include <string>
#include <vector>

#include <boost/optional/optional_io.hpp>
#include <gtest/gtest.h>

namespace velorin::core::string_utils {
namespace {

TEST(CaseConversion, ChangesAsciiLettersOnly)
{
   EXPECT_EQ("abc\xC3\x89-1", toLower("ABC\xC3\x89-1"));
   EXPECT_EQ("ABC\xC3\xA9-1", toUpper("abc\xC3\xA9-1"));
   EXPECT_EQ(std::string("a\0b", 3), toLower(std::string("A\0B", 3)));
}

TEST(HasPrefix, ComparesBytesFromTheStart)
{
   EXPECT_TRUE(hasPrefix("abc", ""));
   EXPECT_TRUE(hasPrefix("", ""));
   EXPECT_TRUE(hasPrefix("abc", "ab"));
   EXPECT_TRUE(hasPrefix("abc", "abc"));
   EXPECT_FALSE(hasPrefix("ab", "abc"));
   EXPECT_FALSE(hasPrefix("abc", "b"));
   EXPECT_FALSE(hasPrefix("Abc", "a"));
}

TEST(IsSubsequence, FindsTheCandidateInOrder)
{
   EXPECT_TRUE(isSubsequence("hello-world", "hwd"));
   EXPECT_FALSE(isSubsequence("hello-world", "dwh"));
   EXPECT_TRUE(isSubsequence("hello", "hlo", std::size_t(2)));
   EXPECT_FALSE(isSubsequence("hello", "hlz"));
   EXPECT_TRUE(isSubsequence("hello", "hlo"));
   EXPECT_FALSE(isSubsequence("hello-world", "HWD"));
   EXPECT_TRUE(isSubsequence("hello-world", "HWD", true));
   EXPECT_TRUE(isSubsequence("Hello-World", "hwd", true));
   EXPECT_TRUE(isSubsequence("", "abc", std::size_t(0)));
   EXPECT_FALSE(isSubsequence("", "abc"));
   EXPECT_TRUE(isSubsequence("", ""));
   EXPECT_TRUE(isSubsequence("abc", "", std::size_t(0), false));
   // A length beyond the candidate is the candidate's length; an empty one never matches.
   EXPECT_TRUE(isSubsequence("abc", "ac", std::size_t(10)));
   EXPECT_FALSE(isSubsequence(std::string("a\0", 2), "", std::size_t(1)));
   EXPECT_FALSE(isSubsequence("ab", "abc"));
}

TEST(SubsequenceIndices, SkipsOrStopsAtMissingCharacters)
{
   EXPECT_EQ((std::vector<int>{2, 4}), subsequenceIndices("abcabc", "cb"));
   EXPECT_EQ((std::vector<int>{2}), subsequenceIndices("abcabc", "cz"));
   EXPECT_EQ((std::vector<int>{0, 3}), subsequenceIndices("abcabc", "aza"));
   EXPECT_EQ((std::vector<int>{2}), subsequenceIndices("abc", "ca"));
   EXPECT_EQ((std::vector<int>{}), subsequenceIndices("", "a"));

   std::vector<int> indices = {9, 9, 9};
   EXPECT_FALSE(subsequenceIndices("abcabc", "cz", &indices));
   EXPECT_EQ((std::vector<int>{2}), indices);
   EXPECT_TRUE(subsequenceIndices("abcabc", "cb", &indices));
   EXPECT_EQ((std::vector<int>{2, 4}), indices);
   EXPECT_FALSE(subsequenceIndices("abc", "ca", &indices));
   EXPECT_EQ((std::vector<int>{2}), indices);
   EXPECT_TRUE(subsequenceIndices("abc", "", &indices));
   EXPECT_TRUE(indices.empty());
}

TEST(IsTruthy, OnlyZeroAndFalseAreFalse)
{
   for (const char* text : {"0", "FALSE", "False", "false"})
      EXPECT_FALSE(isTruthy(text, true)) << text;
   for (const char* text : {"no", "off", "00", " ", "1", "true", " false"})
      EXPECT_TRUE(isTruthy(text, false)) << text;
   EXPECT_TRUE(isTruthy("", true));
   EXPECT_FALSE(isTruthy("", false));
}

std::uint64_t packed(std::uint64_t a, std::uint64_t b, std::uint64_t c, std::uint64_t d)
{
   return a << 48 | b << 32 | c << 16 | d;
}

TEST(ParseVersion, PacksUpToFourParts)
{
   struct Case
   {
      std::string text;
      bool valid;
      std::uint64_t expected;
   };
   const std::vector<Case> cases = {
      {"1.2.3.4", true, packed(1, 2, 3, 4)},
      {"1.2", true, packed(1, 2, 0, 0)},
      {"1.2.3.4.x", true, packed(1, 2, 3, 4)},
      {"65535.0.1", true, packed(65535, 0, 1, 0)},
      {"-1", true, packed(65535, 0, 0, 0)},
      {"+7", true, packed(7, 0, 0, 0)},
      {"1..2", false, 0},
      {"1.2a", false, 0},
      {"", false, 0},
      {"65536", false, 0},
      {"1.", false, 0},
      {".1", false, 0},
      {" 1", false, 0},
   };
   for (const Case& c : cases)
   {
      std::uint64_t version = 12345;
      EXPECT_EQ(c.valid, parseVersion(c.text, &version)) << c.text;
      EXPECT_EQ(c.valid ? c.expected : 12345u, version) << c.text;
   }
   EXPECT_TRUE(parseVersion("3.1", nullptr));
   EXPECT_LT(packed(1, 9, 0, 0), packed(2, 0, 0, 0));
}

TEST(ParseUnsignedShort, AcceptsSixteenBitDecimals)
{
   struct Case
   {
      std::string text;
      boost::optional<unsigned short> expected;
   };
   const std::vector<Case> cases = {
      {"0", 0},          {"65535", 65535},    {"+12", 12},         {"-1", 65535},   {"-65535", 1},
      {"007", 7},        {"65536", boost::none}, {"-65536", boost::none}, {"", boost::none},
      {"1 ", boost::none}, {" 1", boost::none}, {"0x10", boost::none}, {"+", boost::none},
      {"--1", boost::none}, {"1.0", boost::none}, {"!00000", boost::none}, {"1+00000", boost::none},
   };
   for (const Case& c : cases)
      EXPECT_EQ(c.expected, parseUnsignedShort(c.text)) << c.text;
}

TEST(GetExtension, TakesTheLastDotOfTheWholeText)
{
   EXPECT_EQ(".gz", getExtension("archive.tar.gz"));
   EXPECT_EQ(".b/file", getExtension("a.b/file"));
   EXPECT_EQ("", getExtension("README"));
   EXPECT_EQ(".", getExtension("name."));
   EXPECT_EQ(".profile", getExtension(".profile"));
}

TEST(MakeRandomByteString, NeverHoldsFf)
{
   EXPECT_EQ("", makeRandomByteString(0));
   const std::string bytes = makeRandomByteString(100000);
   ASSERT_EQ(100000u, bytes.size());
   EXPECT_EQ(std::string::npos, bytes.find('\xFF'));
   EXPECT_NE(std::string::npos, bytes.find('\xFE'));
}

} // namespace
} // namespace velorin::core::string_utils
