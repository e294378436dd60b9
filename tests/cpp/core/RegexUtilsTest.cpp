// RegexUtilsTest.cpp: filter chains, wildcard expressions, text search and the
// guarded match and search.
#include <core/RegexUtils.hpp>

#include <functional>
#include <stdexcept>

#include <gtest/gtest.h>

#include <CapturingLogDestination.hpp>

namespace velorin::core::regex_utils {
namespace {

using boost::iostreams::regex_filter;

TEST(RegexUtilsTest, FilterStringAppliesTheFiltersInOrder)
{
   const std::vector<regex_filter> filters = {regex_filter(boost::regex("a"), "b"),
                                              regex_filter(boost::regex("b"), "c")};
   std::string out;
   ASSERT_FALSE(filterString("aaa", filters, &out));
   EXPECT_EQ("ccc", out);

   ASSERT_FALSE(filterString("banana", regex_filter(boost::regex("an"), "[$&]"), &out));
   EXPECT_EQ("b[an][an]a", out);

   // Longer than the copy buffer, so the filters must see the text whole.
   const std::string longText = std::string(300, 'x') + "needle" + std::string(300, 'x');
   ASSERT_FALSE(filterString(longText, regex_filter(boost::regex("x+needle"), "found"), &out));
   EXPECT_EQ("found" + std::string(300, 'x'), out);
}

TEST(RegexUtilsTest, FilterStringWithoutFiltersCopiesTheInput)
{
   for (const std::string& input : {std::string(), std::string("text"), std::string("a\0b", 3)})
   {
      std::string out = "previous";
      ASSERT_FALSE(filterString(input, std::vector<regex_filter>(), &out));
      EXPECT_EQ(input, out);
   }
}

std::string failingFormatter(const boost::match_results<const char*>&)
{
   throw std::runtime_error("formatter failed");
}

TEST(RegexUtilsTest, FilterStringReportsAFailingFilter)
{
   const std::string input = std::string(60, 'a');
   std::string out = "unchanged";
   const Error error = filterString(input, regex_filter(boost::regex("a"), &failingFormatter), &out);

   ASSERT_TRUE(error);
   EXPECT_EQ(5, error.getCode());
   EXPECT_EQ("system", error.getName());
   const Error::Properties expected = {{"what", "formatter failed"}, {"input", std::string(50, 'a')}};
   EXPECT_EQ(expected, error.getProperties());
   EXPECT_EQ("unchanged", out);

   const Error shortInput = filterString("abc", regex_filter(boost::regex("a"), &failingFormatter), &out);
   EXPECT_EQ("abc", shortInput.getProperty("input"));
}

TEST(RegexUtilsTest, WildcardPatternToRegexText)
{
   const struct
   {
      const char* wildcard;
      const char* expression;
   } cases[] = {
      {"*.txt", "\\Q\\E.*\\Q.txt\\E"},
      {"a**b", "\\Qa\\E.*\\Qb\\E"},
      {"file.txt", "\\Qfile.txt\\E"},
      {"", "\\Q\\E"},
      {"*", "\\Q\\E.*\\Q\\E"},
      {"a*", "\\Qa\\E.*\\Q\\E"},
      // A "\E" of the text closes the quote, is matched escaped, and the quote reopens.
      {"a\\Eb", "\\Qa\\E\\\\E\\Qb\\E"},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.expression, wildcardPatternToRegex(c.wildcard).str()) << c.wildcard;
}

TEST(RegexUtilsTest, WildcardMatchesItsTextLiterally)
{
   const struct
   {
      const char* wildcard;
      const char* text;
      bool matches;
   } cases[] = {
      {"*.txt", "notes.txt", true},
      {"*.txt", "notesXtxt", false},
      {"a*b", "a-anything-b", true},
      {"a*b", "ab", true},
      {"(x)+[y]", "(x)+[y]", true},
      {"(x)+[y]", "xx[y]", false},
      // Text after a backslash and E stays literal.
      {"\\E.*", "\\E.", true},
      {"\\E.*", "\\EX", false},
      {"\\E.*", "\\E.rest", true},
      {"a\\E|b", "b", false},
      {"a\\E|b", "a\\E|b", true},
      {"\\E(", "\\E(", true},
      {"x\\\\E*", "x\\\\Ez", true},
      {"x\\", "x\\", true},
      {"\\Q*\\E", "\\Qmiddle\\E", true},
   };
   for (const auto& c : cases)
   {
      boost::regex expression;
      ASSERT_NO_THROW(expression = wildcardPatternToRegex(c.wildcard)) << c.wildcard;
      EXPECT_EQ(c.matches, boost::regex_match(std::string(c.text), expression))
         << c.wildcard << " against " << c.text;
   }
}

TEST(RegexUtilsTest, RegexForWildcardNeedsAnAsterisk)
{
   EXPECT_TRUE(regexForWildcard("file.txt").empty());
   EXPECT_TRUE(regexForWildcard("").empty());

   const boost::regex expression = regexForWildcard("*.txt");
   ASSERT_FALSE(expression.empty());
   EXPECT_EQ(wildcardPatternToRegex("*.txt").str(), expression.str());
}

TEST(RegexUtilsTest, SearchText)
{
   const struct
   {
      const char* text;
      const char* expression;
      bool continuous;
      bool caseSensitive;
      bool found;
   } cases[] = {
      {"ABC", "b", false, false, true},
      {"ABC", "b", false, true, false},
      {"ABC", "B", false, false, false}, // the expression is not lower-cased
      {"abc", "b", true, true, false},
      {"abc", "a", true, true, true},
      {"xAbc", "ab", true, false, false},
      {"", "^$", false, true, true},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.found, searchText(c.text, boost::regex(c.expression), c.continuous, c.caseSensitive))
         << c.text << " / " << c.expression;
}

TEST(RegexUtilsTest, SearchTextLetsEngineExceptionsThrough)
{
   EXPECT_THROW(searchText(std::string(40, 'a'), boost::regex("(a*)*b"), false, true), std::runtime_error);
}

TEST(RegexUtilsTest, GuardedMatchAndSearchAnswerNormally)
{
   const std::string text = "key=value";
   const boost::regex expression("(\\w+)=(\\w+)");

   boost::smatch results;
   ASSERT_TRUE(match(text, results, expression));
   EXPECT_EQ("value", results.str(2));
   const std::string incomplete = "key=";
   EXPECT_FALSE(match(incomplete, results, expression));

   boost::cmatch arrayResults;
   ASSERT_TRUE(match("a=b", arrayResults, expression));
   EXPECT_EQ("a", arrayResults.str(1));

   const std::string surrounded = "x key=value y";
   ASSERT_TRUE(search(surrounded, results, expression));
   EXPECT_EQ("key", results.str(1));

   boost::match_results<std::string::const_iterator> rangeResults;
   EXPECT_TRUE(search(text.begin(), text.end(), rangeResults, boost::regex("="), boost::match_default));
   EXPECT_FALSE(match(text.begin(), text.end(), rangeResults, boost::regex("="), boost::match_default));
}

TEST(RegexUtilsTest, GuardedMatchReportsAnEngineException)
{
   const auto log = testing::captureLog();
   const boost::regex expression("(a*)*b");
   const std::string text(40, 'a');

   ::testing::internal::CaptureStderr();
   boost::smatch results;
   const bool matched = match(text, results, expression);
   const std::string errorOutput = ::testing::internal::GetCapturedStderr();

   EXPECT_FALSE(matched);
   const std::vector<std::string> lines = log->lines();
   ASSERT_EQ(1u, lines.size());
   const std::string expectedStart =
      "WARNING caught exception emitted by boost::regex_match() [pattern='(a*)*b' reason='The complexity";
   EXPECT_NE(std::string::npos, lines[0].find(expectedStart)) << lines[0];
   EXPECT_NE(std::string::npos, lines[0].find("']; LOGGED FROM: ")) << lines[0];

   EXPECT_EQ(0u, errorOutput.find("Warning: caught exception emitted by boost::regex_match() [pattern='(a*)*b'"))
      << errorOutput;
   std::size_t lineCount = 0;
   for (char c : errorOutput)
      lineCount += c == '\n';
   EXPECT_EQ(2u, lineCount);
}

TEST(RegexUtilsTest, GuardedSearchReportsAnEngineException)
{
   const auto log = testing::captureLog();
   ::testing::internal::CaptureStderr();
   const std::string text(40, 'a');
   boost::smatch results;
   EXPECT_FALSE(search(text, results, boost::regex("(a*)*b")));
   ::testing::internal::GetCapturedStderr();

   const std::vector<std::string> lines = log->lines();
   ASSERT_EQ(1u, lines.size());
   EXPECT_NE(std::string::npos, lines[0].find("emitted by boost::regex_search() [pattern='(a*)*b'"));
}

TEST(RegexUtilsTest, GuardedFormsRefuseAnExpressionWithoutPattern)
{
   const boost::regex noPattern = regexForWildcard("abc");
   const std::string text = "abc";
   const struct
   {
      const char* operation;
      std::function<bool()> call;
   } cases[] = {
      {"boost::regex_match()", [&] { boost::smatch m; return match(text, m, noPattern); }},
      {"boost::regex_match()", [&] { boost::cmatch m; return match("abc", m, noPattern); }},
      {"boost::regex_match()", [&] { boost::smatch m; return match(text.begin(), text.end(), m, noPattern); }},
      {"boost::regex_search()", [&] { boost::smatch m; return search(text, m, noPattern); }},
      {"boost::regex_search()", [&] { boost::smatch m; return search(text.begin(), text.end(), m, noPattern); }},
   };
   const auto log = testing::captureLog();
   std::size_t logged = 0;
   for (const auto& c : cases)
   {
      ::testing::internal::CaptureStderr();
      EXPECT_FALSE(c.call()) << c.operation;
      const std::string errorOutput = ::testing::internal::GetCapturedStderr();

      const std::string message = std::string("caught exception emitted by ") + c.operation +
                                  " [pattern='' reason='Invalid regular expression object']";
      const std::vector<std::string> lines = log->lines();
      ASSERT_EQ(++logged, lines.size()) << c.operation;
      EXPECT_NE(std::string::npos, lines.back().find("WARNING " + message + "; LOGGED FROM: ")) << lines.back();
      EXPECT_EQ(0u, errorOutput.find("Warning: " + message + "\n")) << errorOutput;
   }
}

TEST(RegexUtilsTest, SearchTextThrowsForAnExpressionWithoutPattern)
{
   for (const bool caseSensitive : {true, false})
   {
      EXPECT_THROW(searchText("abc", regexForWildcard("abc"), false, caseSensitive), std::invalid_argument);
      EXPECT_THROW(searchText("abc", boost::regex(), true, caseSensitive), std::invalid_argument);
   }
}

TEST(RegexUtilsTest, ReportExceptionPutsTheReasonOnOneLine)
{
   const auto log = testing::captureLog();
   std::runtime_error failure("first line\n\nsecond line\n");
   ::testing::internal::CaptureStderr();
   detail::reportException("operation", boost::regex(), failure);
   const std::string errorOutput = ::testing::internal::GetCapturedStderr();

   const std::string message = "caught exception emitted by operation [pattern='' reason='first line second line ']";
   ASSERT_EQ(1u, log->lines().size());
   EXPECT_NE(std::string::npos, log->lines()[0].find("WARNING " + message + "; LOGGED FROM: "));
   EXPECT_EQ(0u, errorOutput.find("Warning: " + message + "\n"));
}

} // namespace
} // namespace velorin::core::regex_utils
