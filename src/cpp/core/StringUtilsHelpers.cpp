// StringUtilsHelpers.cpp: case conversion, prefixes, subsequences, truth values,
// versions, extensions and random bytes.
#include <core/StringUtils.hpp>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <boost/algorithm/string/case_conv.hpp>
#include <boost/lexical_cast.hpp>

#include <shared_core/SafeConvert.hpp>

namespace velorin::core::string_utils {

std::string getExtension(const std::string& text)
{
   const std::size_t dot = text.rfind('.');
   return dot == std::string::npos ? std::string() : text.substr(dot);
}

bool hasPrefix(const std::string& text, const std::string& prefix)
{
   return text.compare(0, prefix.size(), prefix) == 0;
}

bool isSubsequence(const std::string& text, const std::string& candidate)
{
   return isSubsequence(text, candidate, candidate.size(), false);
}

bool isSubsequence(const std::string& text, const std::string& candidate, std::size_t length)
{
   return isSubsequence(text, candidate, length, false);
}

bool isSubsequence(const std::string& text, const std::string& candidate, bool ignoreCase)
{
   return isSubsequence(text, candidate, candidate.size(), ignoreCase);
}

bool isSubsequence(const std::string& text,
                   const std::string& candidate,
                   std::size_t length,
                   bool ignoreCase)
{
   if (length == 0)
      return true;
   const std::size_t matchLength = std::min(length, candidate.size());
   if (text.size() < matchLength || text.empty() || matchLength == 0)
      return false;

   const std::string haystack = ignoreCase ? boost::algorithm::to_lower_copy(text) : text;
   const std::string needle = ignoreCase ? boost::algorithm::to_lower_copy(candidate) : candidate;
   std::size_t matched = 0;
   for (char byte : haystack)
   {
      if (byte == needle[matched] && ++matched == matchLength)
         return true;
   }
   return false;
}

bool isTruthy(const std::string& text, bool defaultValue)
{
   if (text.empty())
      return defaultValue;
   const std::string lower = toLower(text);
   return lower != "0" && lower != "false";
}

std::string makeRandomByteString(std::size_t length)
{
   std::string bytes(length, '\0');
   for (char& byte : bytes)
      byte = static_cast<char>(std::rand() % 255);
   return bytes;
}

boost::optional<unsigned short> parseUnsignedShort(const std::string& text)
{
   try
   {
      return safe_convert::detail::lexicalCast<unsigned short>(text);
   }
   catch (const boost::bad_lexical_cast&)
   {
      return boost::none;
   }
}

bool parseVersion(const std::string& text, std::uint64_t* version)
{
   std::uint64_t packed = 0;
   std::size_t pieceStart = 0;
   for (int part = 0; part < 4; ++part)
   {
      const std::size_t dot = text.find('.', pieceStart);
      const std::size_t pieceEnd = dot == std::string::npos ? text.size() : dot;
      const boost::optional<unsigned short> number =
         parseUnsignedShort(text.substr(pieceStart, pieceEnd - pieceStart));
      if (!number)
         return false;
      packed += static_cast<std::uint64_t>(*number) << (48 - 16 * part);
      if (dot == std::string::npos)
         break;
      pieceStart = dot + 1;
   }
   if (version != nullptr)
      *version = packed;
   return true;
}

std::vector<int> subsequenceIndices(const std::string& text, const std::string& query)
{
   std::vector<int> indices;
   indices.reserve(query.size());
   std::size_t searchFrom = 0;
   for (char character : query)
   {
      const std::size_t found = text.find(character, searchFrom);
      if (found == std::string::npos)
         continue;
      indices.push_back(static_cast<int>(found));
      searchFrom = found + 1;
   }
   return indices;
}

bool subsequenceIndices(const std::string& text, const std::string& query, std::vector<int>* indices)
{
   indices->clear();
   indices->reserve(query.size());
   std::size_t searchFrom = 0;
   for (char character : query)
   {
      const std::size_t found = text.find(character, searchFrom);
      if (found == std::string::npos)
         return false;
      indices->push_back(static_cast<int>(found));
      searchFrom = found + 1;
   }
   return true;
}

std::string toLower(const std::string& text)
{
   std::string lower = text;
   for (char& byte : lower)
      byte = static_cast<char>(std::tolower(static_cast<unsigned char>(byte)));
   return lower;
}

std::string toUpper(const std::string& text)
{
   std::string upper = text;
   for (char& byte : upper)
      byte = static_cast<char>(std::toupper(static_cast<unsigned char>(byte)));
   return upper;
}

} // namespace velorin::core::string_utils
