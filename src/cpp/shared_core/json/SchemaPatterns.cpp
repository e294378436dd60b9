// SchemaPatterns.cpp: the class escapes of schema patterns as RapidJSON's bracket
// classes. RapidJSON refuses an escape it does not know, and its schema validator then
// drops the whole pattern, which would let every string through.
#include "SchemaPatterns.hpp"

#include <vector>

namespace velorin::core::json {
namespace {

// The members of the class an escape letter names, as bracket contents; null for a
// letter that names no class. negated: the escape names the complement.
const char* classMembers(char letter, bool& negated)
{
   switch (letter)
   {
      case 'd':
      case 'D':
         negated = letter == 'D';
         return "0-9";
      case 'w':
      case 'W':
         negated = letter == 'W';
         return "0-9A-Za-z_";
      case 's':
      case 'S':
         negated = letter == 'S';
         return " \\t\\n\\r\\f\\v";
      default:
         return nullptr;
   }
}

// Reads a bracket from just past its "[" up to and with its "]", appending it in
// RapidJSON's syntax. RapidJSON negates only a whole bracket, so a negated class
// inside a bracket becomes an alternative of its own: "[a\D]" is "([a]|[^0-9])".
bool translateBracket(const std::string& pattern, std::size_t& position, std::string& result)
{
   const std::size_t start = position;
   const bool negatedBracket = position < pattern.size() && pattern[position] == '^';
   if (negatedBracket)
      ++position;
   std::string members;
   std::vector<const char*> complements;
   while (position < pattern.size() && pattern[position] != ']')
   {
      char c = pattern[position++];
      bool negated = false;
      const char* named = c == '\\' && position < pattern.size() ? classMembers(pattern[position], negated)
                                                                  : nullptr;
      if (named == nullptr)
      {
         members += c;
         if (c == '\\' && position < pattern.size())
            members += pattern[position++];
         continue;
      }
      ++position;
      if (negated)
         complements.push_back(named);
      else
         members += named;
   }
   if (position == pattern.size())
   {
      // Left open: RapidJSON refuses it as written.
      result += '[';
      result.append(pattern, start, std::string::npos);
      return true;
   }
   ++position;

   if (complements.empty())
   {
      result += negatedBracket ? "[^" : "[";
      result += members + ']';
      return true;
   }
   if (complements.size() == 1 && members.empty())
   {
      // "[\D]" is "[^0-9]" and "[^\D]" is "[0-9]".
      result += negatedBracket ? "[" : "[^";
      result += std::string(complements.front()) + ']';
      return true;
   }
   if (negatedBracket)
      return false;
   result += '(';
   if (!members.empty())
      result += '[' + members + "]|";
   for (std::size_t i = 0; i < complements.size(); ++i)
   {
      if (i > 0)
         result += '|';
      result += std::string("[^") + complements[i] + ']';
   }
   result += ')';
   return true;
}

} // namespace

std::optional<std::string> toRapidJsonPattern(const std::string& pattern)
{
   // The empty pattern, which RapidJSON refuses, matches every text, as an optional
   // character does.
   if (pattern.empty())
      return "a?";
   std::string result;
   std::size_t position = 0;
   while (position < pattern.size())
   {
      char c = pattern[position++];
      if (c == '[')
      {
         if (!translateBracket(pattern, position, result))
            return std::nullopt;
         continue;
      }
      bool negated = false;
      const char* named = c == '\\' && position < pattern.size() ? classMembers(pattern[position], negated)
                                                                  : nullptr;
      if (named != nullptr)
      {
         ++position;
         result += negated ? "[^" : "[";
         result += std::string(named) + ']';
         continue;
      }
      result += c;
      // An escaped character stands for itself, even a backslash or a "[".
      if (c == '\\' && position < pattern.size())
         result += pattern[position++];
   }
   return result;
}

} // namespace velorin::core::json
