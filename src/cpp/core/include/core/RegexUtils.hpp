// RegexUtils.hpp: regular-expression filters, wildcards, and guarded match and search.
//
//   std::string out;
//   regex_utils::filterString("aaa", boost::iostreams::regex_filter(boost::regex("a"), "b"), &out);
//   regex_utils::wildcardPatternToRegex("*.txt");   // \Q\E.*\Q.txt\E
//
// The guarded match and search turn an exception of the engine (a pattern too complex
// for its bounds, for instance) into false and a warning, so that hostile input
// cannot end a request.
#pragma once

#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include <boost/format.hpp>
#include <boost/iostreams/filter/regex.hpp>
#include <boost/regex.hpp>

#include <shared_core/Error.hpp>
#include <shared_core/Logger.hpp>

namespace velorin::core::regex_utils {

// Pipes the input through the filters in order. On failure (system error 5, with
// "what" and the first 50 characters of the input as "input") out is unchanged.
Error filterString(const std::string& input,
                   const std::vector<boost::iostreams::regex_filter>& filters,
                   std::string* output);
Error filterString(const std::string& input,
                   const boost::iostreams::regex_filter& filter,
                   std::string* output);

// The wildcard's expression, or one that holds no pattern when it has no asterisk.
boost::regex regexForWildcard(const std::string& wildcard);

// When caseSensitive is false the text is lower-cased, so the expression must be
// written in lower case. Continuous requires the match to start the text. Exceptions
// of the engine reach the caller, as does std::invalid_argument for an expression
// that holds no pattern.
bool searchText(const std::string& text, const boost::regex& regex, bool continuous, bool caseSensitive);

// An asterisk stands for any run of characters (runs of asterisks count as one);
// everything else stands for itself, a backslash followed by E included. The
// expression carries no anchors.
boost::regex wildcardPatternToRegex(const std::string& wildcard);

namespace detail {

// Logs the exception as a warning and writes it to standard error.
template <typename RegexType>
void reportException(const std::string& operation, const RegexType& regex, std::exception& e)
{
   static const boost::regex& kLineFeeds = *new boost::regex("\n+");
   const std::string reason = boost::regex_replace(std::string(e.what()), kLineFeeds, " ");
   const std::string pattern = regex.empty() ? std::string() : std::string(regex.str());

   const std::string message =
      boost::str(boost::format("caught exception emitted by %1% [pattern='%2%' reason='%3%']") %
                 operation % pattern % reason);
   log::logWarningMessage(message, ERROR_LOCATION);

   std::cerr << "Warning: " << message << std::endl;
   std::cerr << "Please report this problem, with the line above, to support@velorin.example"
             << std::endl;
}

// Boost reads an expression that holds no pattern (regexForWildcard gives one)
// through a null pointer; this throws what Boost means to throw for one instead.
inline void requirePattern(const boost::regex& regex)
{
   if (regex.empty())
      throw std::invalid_argument("Invalid regular expression object");
}

// The engine's answer, or false and a report when it throws.
template <typename EngineCall>
bool guarded(const std::string& operation, const boost::regex& regex, const EngineCall& call)
{
   try
   {
      requirePattern(regex);
      return call();
   }
   catch (std::exception& e)
   {
      reportException(operation, regex, e);
      return false;
   }
}

} // namespace detail

template <typename Iterator>
bool match(Iterator begin,
           Iterator end,
           boost::match_results<Iterator>& results,
           const boost::regex& regex,
           boost::match_flag_type flags = boost::match_default)
{
   return detail::guarded("boost::regex_match()", regex,
                          [&] { return boost::regex_match(begin, end, results, regex, flags); });
}

inline bool match(const std::string& text,
                  boost::smatch& results,
                  const boost::regex& regex,
                  boost::match_flag_type flags = boost::match_default)
{
   return match(text.begin(), text.end(), results, regex, flags);
}

inline bool match(const char* text,
                  boost::cmatch& results,
                  const boost::regex& regex,
                  boost::match_flag_type flags = boost::match_default)
{
   return match(text, text + std::char_traits<char>::length(text), results, regex, flags);
}

template <typename Iterator>
bool search(Iterator begin,
            Iterator end,
            boost::match_results<Iterator>& results,
            const boost::regex& regex,
            boost::match_flag_type flags = boost::match_default)
{
   return detail::guarded("boost::regex_search()", regex,
                          [&] { return boost::regex_search(begin, end, results, regex, flags); });
}

inline bool search(const std::string& text,
                   boost::smatch& results,
                   const boost::regex& regex,
                   boost::match_flag_type flags = boost::match_default)
{
   return search(text.begin(), text.end(), results, regex, flags);
}

} // namespace velorin::core::regex_utils
