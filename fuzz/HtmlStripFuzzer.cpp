// HtmlStripFuzzer.cpp: HTML entity decoding and the quote strippers against their
// rules on the same input.
#include <core/StringUtils.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.hpp"

namespace {

using namespace velorin::core::string_utils;
using velorin::fuzz::check;

std::string replaceAll(std::string text, const std::string& from, const std::string& to)
{
   std::string result;
   std::size_t position = 0;
   for (std::size_t found; (found = text.find(from, position)) != std::string::npos; position = found + from.size())
      result += text.substr(position, found - position) + to;
   return result + text.substr(position);
}

bool isQuote(char c)
{
   return c == '\'' || c == '"';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   const std::string input(reinterpret_cast<const char*>(data), size);

   check(textFromHtmlEntities(input) == replaceAll(replaceAll(input, "&amp;", "&"), "&lt;", "<"));

   std::string stripped = input;
   stripQuotes(&stripped);
   {
      std::string expected = input;
      if (!expected.empty() && isQuote(expected.front()))
         expected.erase(0, 1);
      if (!expected.empty() && isQuote(expected.back()))
         expected.pop_back();
      check(stripped == expected);
   }

   const std::string surrounding = stripSurroundingQuotes(input);
   const bool paired = input.size() >= 2 && input.front() == input.back() &&
                       (isQuote(input.front()) || input.front() == '`');
   check(surrounding == (paired ? input.substr(1, input.size() - 2) : input));

   const std::string backticks = stripSurroundingBackticks(input);
   if (input.size() <= 1)
   {
      check(backticks == input);
   }
   else
   {
      const std::size_t begin = input.front() == '`' ? 1 : 0;
      const std::size_t end = input.back() == '`' ? input.size() - 1 : input.size();
      check(backticks == input.substr(begin, end - begin));
   }

   // Escaping never leaves a character that the HTML table escapes.
   const std::string escaped = htmlEscape(input, true);
   check(escaped.find_first_of("<>'\"/\r\n") == std::string::npos);
   return 0;
}
