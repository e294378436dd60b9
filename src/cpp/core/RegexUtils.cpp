// RegexUtils.cpp: regular-expression filter chains, wildcards and text search.
#include <core/RegexUtils.hpp>

#include <sstream>

#include <boost/iostreams/copy.hpp>
#include <boost/iostreams/filtering_stream.hpp>

#include <core/StringUtils.hpp>

namespace velorin::core::regex_utils {
namespace {

constexpr std::size_t kInputPropertyLength = 50;
constexpr std::streamsize kFilterBufferSize = 128;

// \Q...\E quoting ends at the first "\E", so each "\E" of the text closes the
// quote, is matched as an escaped backslash and a plain E, and the quote reopens.
std::string quoteLiteral(const std::string& text)
{
   std::string quoted = "\\Q";
   std::size_t start = 0;
   for (std::size_t found = text.find("\\E"); found != std::string::npos; found = text.find("\\E", start))
   {
      quoted.append(text, start, found - start);
      quoted += "\\E\\\\E\\Q";
      start = found + 2;
   }
   quoted.append(text, start, std::string::npos);
   quoted += "\\E";
   return quoted;
}

} // namespace

Error filterString(const std::string& input,
                   const std::vector<boost::iostreams::regex_filter>& filters,
                   std::string* output)
{
   try
   {
      std::istringstream inputStream(input);
      inputStream.exceptions(std::ios::failbit | std::ios::badbit);
      std::ostringstream outputStream;
      outputStream.exceptions(std::ios::failbit | std::ios::badbit);

      boost::iostreams::filtering_ostream filteringStream;
      for (const boost::iostreams::regex_filter& filter : filters)
         filteringStream.push(filter);
      filteringStream.push(outputStream);

      // Copying closes the chain, which is when each filter does its replacing.
      boost::iostreams::copy(inputStream, filteringStream, kFilterBufferSize);
      *output = outputStream.str();
      return Success();
   }
   catch (const std::exception& e)
   {
      Error error = systemError(5, ERROR_LOCATION);
      error.addProperty("what", e.what());
      error.addProperty("input", input.substr(0, kInputPropertyLength));
      return error;
   }
}

Error filterString(const std::string& input,
                   const boost::iostreams::regex_filter& filter,
                   std::string* output)
{
   return filterString(input, std::vector<boost::iostreams::regex_filter>{filter}, output);
}

boost::regex regexForWildcard(const std::string& wildcard)
{
   if (wildcard.find('*') == std::string::npos)
      return boost::regex();
   return wildcardPatternToRegex(wildcard);
}

bool searchText(const std::string& text, const boost::regex& regex, bool continuous, bool caseSensitive)
{
   detail::requirePattern(regex);
   const boost::match_flag_type flags = continuous ? boost::match_continuous : boost::match_default;
   if (caseSensitive)
      return boost::regex_search(text, regex, flags);
   return boost::regex_search(string_utils::toLower(text), regex, flags);
}

boost::regex wildcardPatternToRegex(const std::string& wildcard)
{
   std::string expression;
   std::size_t pieceStart = 0;
   while (true)
   {
      const std::size_t star = wildcard.find('*', pieceStart);
      expression += quoteLiteral(wildcard.substr(pieceStart, star - pieceStart));
      if (star == std::string::npos)
         break;
      expression += ".*";
      pieceStart = wildcard.find_first_not_of('*', star);
      if (pieceStart == std::string::npos)
         pieceStart = wildcard.size();
   }
   return boost::regex(expression);
}

} // namespace velorin::core::regex_utils
