// FilterStringFuzzer.cpp: wildcard expressions and the filter chain. The input is a
// wildcard, an LF, and a text. A wildcard always compiles, matches exactly what a
// plain wildcard matcher matches, and a filter that puts back each match leaves the
// text unchanged.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include <core/RegexUtils.hpp>

using namespace velorin::core;

namespace {

// '*' stands for any run of bytes; every other byte for itself.
bool wildcardMatches(const std::string& wildcard, const std::string& text)
{
   std::size_t w = 0, t = 0;
   std::size_t starAt = std::string::npos, resumeAt = 0;
   while (t < text.size())
   {
      if (w < wildcard.size() && wildcard[w] == '*')
      {
         starAt = w++;
         resumeAt = t;
      }
      else if (w < wildcard.size() && wildcard[w] == text[t])
      {
         ++w;
         ++t;
      }
      else if (starAt != std::string::npos)
      {
         w = starAt + 1;
         t = ++resumeAt;
      }
      else
         return false;
   }
   while (w < wildcard.size() && wildcard[w] == '*')
      ++w;
   return w == wildcard.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   // Long inputs only make the engine's backtracking slow, not the code different.
   if (size > 4096)
      return 0;
   const std::string input(reinterpret_cast<const char*>(data), size);
   const std::size_t split = input.find('\n');
   const std::string wildcard = input.substr(0, split);
   const std::string text = split == std::string::npos ? std::string() : input.substr(split + 1);

   boost::regex expression;
   try
   {
      expression = regex_utils::wildcardPatternToRegex(wildcard);
   }
   catch (const std::exception&)
   {
      std::abort(); // quoting must keep every wildcard literal
   }

   try
   {
      if (boost::regex_match(text, expression) != wildcardMatches(wildcard, text))
         std::abort();
   }
   catch (const std::runtime_error&)
   {
      // The engine gave up on a match too complex for its bounds.
   }

   std::string output;
   const Error error =
      regex_utils::filterString(text, boost::iostreams::regex_filter(expression, "$&"), &output);
   if (!error && output != text)
      std::abort();
   return 0;
}
