// StringUtilsEscaping.cpp: escaping for HTML, JavaScript and JSON literals, their
// reverse, control-character filtering and quote removal.
//
// The fixed escapers are tables built once and then only read; the regular
// expressions are compiled per call, as they are off the hot paths.
#include <core/StringUtils.hpp>

#include <algorithm>
#include <array>
#include <cstddef>
#include <map>
#include <string>
#include <utility>

#include <boost/algorithm/string/replace.hpp>
#include <boost/regex.hpp>

#include <shared_core/Error.hpp>
#include <shared_core/Logger.hpp>
#include <shared_core/json/Json.hpp>

namespace velorin::core::string_utils {

namespace {

// The characters an escaper replaces, looked up by byte.
using CharacterSet = std::array<bool, 256>;

CharacterSet characterSetOf(const std::string& characters)
{
   CharacterSet set{};
   for (const char c : characters)
      set[static_cast<unsigned char>(c)] = true;
   return set;
}

std::string escapeCharacterSet(const CharacterSet& specialChars,
                               const std::map<char, std::string>& replacements,
                               const std::string& text)
{
   const auto isSpecial = [&](char c) { return specialChars[static_cast<unsigned char>(c)]; };
   const auto first = std::find_if(text.begin(), text.end(), isSpecial);
   if (first == text.end())
      return text; // most text needs no escape

   std::string result;
   result.reserve(text.size() + text.size() / 5);
   std::size_t position = 0;
   for (auto i = static_cast<std::size_t>(first - text.begin()); i < text.size(); ++i)
   {
      if (!isSpecial(text[i]))
         continue;
      result.append(text, position, i - position);
      // A special character the map lacks is kept as it is rather than failing.
      const auto replacement = replacements.find(text[i]);
      if (replacement != replacements.end())
         result.append(replacement->second);
      else
         result.push_back(text[i]);
      position = i + 1;
   }
   result.append(text, position, std::string::npos);
   return result;
}

} // namespace

std::string escapeChars(std::string specialChars,
                        const std::map<char, std::string>& replacements,
                        std::string text)
{
   return escapeCharacterSet(characterSetOf(specialChars), replacements, text);
}

std::string filterControlChars(const std::string& text)
{
   const boost::regex controlChars("[\\0000-\\0010\\0016-\\0037]+");
   return boost::regex_replace(text, controlChars, "");
}

namespace {

// A fixed escaping table, made once: escapes exactly the characters it has
// replacements for.
class EscapeTable
{
public:
   explicit EscapeTable(std::map<char, std::string> replacements) : replacements_(std::move(replacements))
   {
      for (const auto& replacement : replacements_)
         specialChars_[static_cast<unsigned char>(replacement.first)] = true;
   }

   std::string escape(const std::string& text) const
   {
      return escapeCharacterSet(specialChars_, replacements_, text);
   }

private:
   std::map<char, std::string> replacements_;
   CharacterSet specialChars_{};
};

// What HTML text escapes; an attribute escapes its line breaks too.
std::map<char, std::string> htmlReplacements()
{
   return {
      {'<', "&lt;"},
      {'>', "&gt;"},
      {'&', "&amp;"},
      {'\'', "&#x27;"},
      {'"', "&quot;"},
      {'/', "&#x2F;"},
   };
}

} // namespace

std::string htmlEscape(const std::string& text, bool isAttribute)
{
   static const EscapeTable& kText = *new EscapeTable(htmlReplacements());
   static const EscapeTable& kAttribute = *new EscapeTable([] {
      std::map<char, std::string> replacements = htmlReplacements();
      replacements['\r'] = "&#13;";
      replacements['\n'] = "&#10;";
      return replacements;
   }());
   return (isAttribute ? kAttribute : kText).escape(text);
}

std::string jsLiteralEscape(const std::string& text)
{
   static const EscapeTable& kTable = *new EscapeTable({
      {'\\', "\\\\"},
      {'\'', "\\'"},
      {'"', "\\\""},
      {'\r', "\\r"},
      {'\n', "\\n"},
      {'<', "\\074"},
   });
   return kTable.escape(text);
}

std::string jsonLiteralEscape(const std::string& text)
{
   static const EscapeTable& kTable = *new EscapeTable({
      {'\\', "\\\\"},
      {'"', "\\\""},
      {'\r', "\\r"},
      {'\n', "\\n"},
   });
   return kTable.escape(text);
}

namespace {

// The value of a literal whose escapes are all of one character (no \\u), read without
// the JSON parser, as the parser would read it. False for anything else: the parser
// then decides, and reports what fails.
bool unescapeSimpleLiteral(const std::string& text, std::string* value)
{
   if (text.size() < 2 || text.front() != '"' || text.back() != '"')
      return false;
   const std::size_t end = text.size() - 1;
   const auto isPlain = [](char c) { return c != '"' && c != '\\' && static_cast<unsigned char>(c) >= 0x20; };
   value->clear();
   value->reserve(end - 1);
   std::size_t i = 1;
   while (true)
   {
      const std::size_t runEnd = static_cast<std::size_t>(
         std::find_if_not(text.begin() + static_cast<std::ptrdiff_t>(i), text.begin() + static_cast<std::ptrdiff_t>(end),
                          isPlain) -
         text.begin());
      value->append(text, i, runEnd - i);
      if (runEnd == end)
         return true;
      // A raw quote ends the literal early, a raw control character is not allowed, and
      // a backslash just before the closing quote escapes it.
      if (text[runEnd] != '\\' || runEnd + 1 == end)
         return false;
      switch (text[runEnd + 1])
      {
      case '"': value->push_back('"'); break;
      case '\\': value->push_back('\\'); break;
      case '/': value->push_back('/'); break;
      case 'b': value->push_back('\b'); break;
      case 'f': value->push_back('\f'); break;
      case 'n': value->push_back('\n'); break;
      case 'r': value->push_back('\r'); break;
      case 't': value->push_back('\t'); break;
      default: return false;
      }
      i = runEnd + 2;
   }
}

} // namespace

std::string jsonLiteralUnescape(const std::string& text)
{
   // Settings files hold literals like these by the thousand.
   std::string simple;
   if (unescapeSimpleLiteral(text, &simple))
      return simple;

   // The parser reads up to a NUL, and a NUL is never valid in JSON text, so a
   // literal holding one fails here rather than being cut.
   json::Value value;
   if (text.find('\0') != std::string::npos || value.parse(text) || !value.isString())
   {
      log::logErrorMessage("Failed to unescape JS literal", ERROR_LOCATION);
      return text;
   }
   return value.getString();
}

std::string singleQuoteEscape(const std::string& text)
{
   static const EscapeTable& kTable = *new EscapeTable({
      {'\'', "\\'"},
      {'\\', "\\\\"},
   });
   return kTable.escape(text);
}

namespace {

bool isQuote(char character)
{
   return character == '\'' || character == '"';
}

} // namespace

void stripQuotes(std::string* text)
{
   if (!text->empty() && isQuote(text->front()))
      text->erase(0, 1);
   if (!text->empty() && isQuote(text->back()))
      text->pop_back();
}

std::string stripSurroundingBackticks(const std::string& text)
{
   if (text.size() <= 1)
      return text;
   const std::size_t begin = text.front() == '`' ? 1 : 0;
   const std::size_t end = text.back() == '`' ? text.size() - 1 : text.size();
   return text.substr(begin, end - begin);
}

std::string stripSurroundingQuotes(const std::string& text)
{
   if (text.size() >= 2 && text.front() == text.back() && (isQuote(text.front()) || text.front() == '`'))
      return text.substr(1, text.size() - 2);
   return text;
}

std::string textFromHtmlEntities(const std::string& text)
{
   std::string decoded = boost::algorithm::replace_all_copy(text, "&amp;", "&");
   boost::algorithm::replace_all(decoded, "&lt;", "<");
   return decoded;
}

} // namespace velorin::core::string_utils
