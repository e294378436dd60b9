// HtmlStripFuzzer.cpp: HTML entity decoding and the quote strippers checked for the
// properties they must keep on any input: texts never grow, and they undo what the
// matching escapers and quotes added.
#include <core/StringUtils.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.hpp"

namespace {

using namespace velorin::core::string_utils;
using velorin::fuzz::check;

// The text without the characters that htmlEscape escapes but entity decoding leaves
// escaped, and without ';', so that it holds no entity of its own.
std::string withoutUndecodedEscapes(const std::string& text)
{
   std::string kept;
   for (char c : text)
   {
      if (std::string(">'\"/;").find(c) == std::string::npos)
         kept += c;
   }
   return kept;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   const std::string input(reinterpret_cast<const char*>(data), size);

   const std::string decoded = textFromHtmlEntities(input);
   check(decoded.size() <= input.size());
   if (input.find('&') == std::string::npos)
      check(decoded == input);
   // Decoding leaves no "&lt;", so a text it leaves without "&amp;" is final.
   if (decoded.find("&amp;") == std::string::npos)
      check(textFromHtmlEntities(decoded) == decoded);
   const std::string plain = withoutUndecodedEscapes(input);
   check(textFromHtmlEntities(htmlEscape(plain, false)) == plain);

   // Escaping never leaves a character that the HTML table escapes.
   const std::string escaped = htmlEscape(input, true);
   check(escaped.find_first_of("<>'\"/\r\n") == std::string::npos);

   std::string stripped = input;
   stripQuotes(&stripped);
   check(stripped.size() <= input.size() && input.size() - stripped.size() <= 2);
   check(input.find(stripped) != std::string::npos);
   for (const char* quotes : {"''", "\"\"", "'\"", "\"'"})
   {
      std::string quoted = quotes[0] + input + quotes[1];
      stripQuotes(&quoted);
      check(quoted == input);
   }

   const std::string surrounding = stripSurroundingQuotes(input);
   check(surrounding == input ||
         (surrounding.size() + 2 == input.size() && input.substr(1, surrounding.size()) == surrounding));
   for (char quote : {'\'', '"', '`'})
      check(stripSurroundingQuotes(quote + input + quote) == input);
   for (const char* unpaired : {"'\"", "\"`", "`'"})
      check(stripSurroundingQuotes(unpaired[0] + input + unpaired[1]) == unpaired[0] + input + unpaired[1]);
   const std::string singleQuoted = "'" + singleQuoteEscape(input) + "'";
   check(stripSurroundingQuotes(singleQuoted) == singleQuoteEscape(input));

   const std::string backticks = stripSurroundingBackticks(input);
   check(backticks.size() <= input.size() && input.find(backticks) != std::string::npos);
   check(stripSurroundingBackticks('`' + input + '`') == input);
   if (input.empty() || (input.front() != '`' && input.back() != '`'))
      check(backticks == input);
   return 0;
}
