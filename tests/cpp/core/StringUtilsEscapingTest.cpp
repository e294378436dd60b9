// StringUtilsEscapingTest.cpp: the escape tables, entity decoding, control-character
// filtering and quote removal.
#include <core/StringUtils.hpp>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <shared_core/json/Json.hpp>

#include "CapturingLogDestination.hpp"

namespace velorin::core::string_utils {
namespace {

TEST(Escaping, EachTableEscapesItsCharactersOnly)
{
   using Escaper = std::function<std::string(const std::string&)>;
   const Escaper html = [](const std::string& text) { return htmlEscape(text, false); };
   const Escaper htmlAttribute = [](const std::string& text) { return htmlEscape(text, true); };
   struct Case
   {
      const char* name;
      Escaper escape;
      std::string text;
      std::string expected;
   };
   const std::vector<Case> cases = {
      {"html", html, "a<b>&'\"/", "a&lt;b&gt;&amp;&#x27;&quot;&#x2F;"},
      {"html", html, "a\r\nb\tc\\", "a\r\nb\tc\\"},
      {"html attribute", htmlAttribute, "a\r\nb<", "a&#13;&#10;b&lt;"},
      {"js", jsLiteralEscape, "<a>\\'\"\r\n", "\\074a>\\\\\\'\\\"\\r\\n"},
      {"js", jsLiteralEscape, "\t/&", "\t/&"},
      {"json", jsonLiteralEscape, "\\\"\r\n", "\\\\\\\"\\r\\n"},
      {"json", jsonLiteralEscape, "tab\there\x01<'/", "tab\there\x01<'/"},
      {"single quote", singleQuoteEscape, "it's a\\b\"", "it\\'s a\\\\b\""},
      {"json", jsonLiteralEscape, "caf\xC3\xA9\xFF", "caf\xC3\xA9\xFF"},
      {"html", html, "", ""},
   };
   for (const Case& c : cases)
      EXPECT_EQ(c.expected, c.escape(c.text)) << c.name << ": " << c.text;
}

TEST(Escaping, EscapeCharsTakesAnyTable)
{
   const std::map<char, std::string> replacements = {{'x', "[x]"}, {'\0', "\\0"}};
   EXPECT_EQ("a[x]b\\0", escapeChars(std::string("x\0", 2), replacements, std::string("axb\0", 4)));
   EXPECT_EQ("axb", escapeChars("", replacements, "axb"));
   // A special character without a replacement stays as it is.
   EXPECT_EQ("a[x]y", escapeChars("xy", replacements, "axy"));
}

TEST(JsonLiteralUnescape, UnderstandsEveryJsonEscape)
{
   auto log = testing::captureLog();
   const std::vector<std::pair<std::string, std::string>> cases = {
      {"\"a\\nb\"", "a\nb"},
      {"\"caf\\u00e9\"", "caf\xC3\xA9"},
      {"\"\\ud83d\\ude00\"", "\xF0\x9F\x98\x80"},
      {"\"\\b\\f\\n\\r\\t\\\"\\\\\\/\"", "\b\f\n\r\t\"\\/"},
      {"\"\\u0000\"", std::string(1, '\0')},
      {"\"\"", ""},
      {" \"spaced\" ", "spaced"},
      {"\"caf\xC3\xA9\"", "caf\xC3\xA9"},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.second, jsonLiteralUnescape(c.first)) << c.first;
   EXPECT_TRUE(log->lines().empty());
}

TEST(JsonLiteralUnescape, FailureLogsAndReturnsTheInput)
{
   const std::vector<std::string> cases = {
      "word", "42", "\"raw\ttab\"", "\"unterminated", "\"a\" \"b\"", "[\"a\"]", "\"bad \\q escape\"",
      std::string("\"a\"\0x", 5), "", "\"\\ud83d\"",
   };
   for (const std::string& text : cases)
   {
      auto log = testing::captureLog();
      EXPECT_EQ(text, jsonLiteralUnescape(text)) << text;
      log::removeLogDestination(log->getId());
      ASSERT_EQ(1u, log->lines().size()) << text;
      const std::string line = testing::withoutTimestamp(log->lines()[0]);
      EXPECT_NE(std::string::npos, line.find("] ERROR Failed to unescape JS literal")) << line;
   }
}

// Literals are read without the JSON parser where they can be; each must still read as
// the parser reads it, and fail where it fails: every byte, raw and after a backslash.
TEST(JsonLiteralUnescape, EveryByteRawOrEscapedReadsAsTheJsonParseReadsIt)
{
   const auto parsed = [](const std::string& text) -> std::pair<bool, std::string> {
      json::Value value;
      if (text.find('\0') != std::string::npos || value.parse(text) || !value.isString())
         return {false, text};
      return {true, value.getString()};
   };
   std::vector<std::string> cases = {
      "\"\"", "\"\\\"", "\"a\\\"", "\"a\"b\"", "\"\\\\\"", "\"\\u0041\\/\\t\"", "\"plain\" ", "\"a\\\\\\\""};
   for (int byte = 0; byte < 256; ++byte)
   {
      const char c = static_cast<char>(byte);
      cases.push_back(std::string("\"a") + c + "b\"");
      cases.push_back(std::string("\"a\\") + c + "b\"");
   }
   for (const std::string& text : cases)
   {
      const auto expected = parsed(text);
      auto log = testing::captureLog();
      EXPECT_EQ(expected.second, jsonLiteralUnescape(text)) << text;
      log::removeLogDestination(log->getId());
      EXPECT_EQ(expected.first ? 0u : 1u, log->lines().size()) << text;
   }
}

TEST(JsonLiteralUnescape, ReadsBackWhatJsonLiteralEscapeWrites)
{
   const std::vector<std::string> cases = {
      "plain", "back\\slash \"quoted\"", "cr\rlf\ncrlf\r\n", "caf\xC3\xA9 \xE2\x82\xAC", "</script>", "",
   };
   for (const std::string& text : cases)
      EXPECT_EQ(text, jsonLiteralUnescape("\"" + jsonLiteralEscape(text) + "\"")) << text;
}

TEST(Escaping, HtmlEntitiesDecodeAmpersandThenLessThan)
{
   EXPECT_EQ("<", textFromHtmlEntities("&amp;lt;"));
   EXPECT_EQ("a & b < c &gt; &quot;", textFromHtmlEntities("a &amp; b &lt; c &gt; &quot;"));
   EXPECT_EQ("&amp", textFromHtmlEntities("&amp"));
}

TEST(Escaping, FilterControlCharsRemovesC0ControlsButWhiteSpace)
{
   std::string every;
   for (int byte = 0; byte < 256; ++byte)
      every.push_back(static_cast<char>(byte));
   std::string expected = "\t\n\v\f\r";
   for (int byte = 0x20; byte < 256; ++byte)
      expected.push_back(static_cast<char>(byte));
   EXPECT_EQ(expected, filterControlChars(every));
   EXPECT_EQ("ab", filterControlChars(std::string("a\x1B\0\x01\x1F" "b", 6)));
}

TEST(Quotes, StripQuotesTreatsEachEndOnItsOwn)
{
   const std::vector<std::pair<std::string, std::string>> cases = {
      {"'abc\"", "abc"}, {"'", ""}, {"\"\"", ""}, {"abc'", "abc"}, {"`abc`", "`abc`"}, {"", ""}, {"a", "a"},
   };
   for (const auto& c : cases)
   {
      std::string text = c.first;
      stripQuotes(&text);
      EXPECT_EQ(c.second, text) << c.first;
   }
}

TEST(Quotes, SurroundingQuotesMustMatch)
{
   const std::vector<std::pair<std::string, std::string>> cases = {
      {"'abc\"", "'abc\""}, {"`x`", "x"}, {"''", ""}, {"\"a\"", "a"}, {"'", "'"}, {"xax", "xax"},
      {"'a'b'", "a'b"},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.second, stripSurroundingQuotes(c.first)) << c.first;
}

TEST(Quotes, SurroundingBackticksAreStrippedAtEitherEnd)
{
   const std::vector<std::pair<std::string, std::string>> cases = {
      {"`x", "x"}, {"`", "`"}, {"x`", "x"}, {"``", ""}, {"`a`", "a"}, {"'a'", "'a'"}, {"", ""},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.second, stripSurroundingBackticks(c.first)) << c.first;
}

} // namespace
} // namespace velorin::core::string_utils
