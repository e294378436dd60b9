// HttpCookieFuzzer.cpp: request headers of any bytes, one per input line, read as
// cookies and compared with a splitter written here from the cookie rules: a header is
// stored with its control bytes but HTAB as spaces; only headers named "cookie" in any
// case count, in order; their values split at ';', ',' and ' ' into fields, empty ones
// dropped; a field's name runs up to its first '=' (leading '=' skipped) and its value
// is the rest of the field, further '=' included; nameless fields are skipped. The
// first named field of a header, split the plain way at '=' and ' ', gives its field
// value.
// A cookie added to the request follows the client's header, and a cookie written for
// a response reads back as its name, its value with the bytes that would end it
// percent-encoded, and its attributes.
//
// A line that starts with a byte from 1 to 4 names its header after that byte instead
// of "Cookie".
#include <core/http/Cookie.hpp>
#include <core/http/Request.hpp>
#include <core/http/Util.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzCheck.hpp"

using namespace velorin::core::http;
using velorin::fuzz::check;

namespace {

const char* const kHeaderNames[] = {"Cookie", "cookie", "COOKIE", "Cookie2", "Set-Cookie"};

bool isControlByte(char c)
{
   return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == '\x7F';
}

std::string stored(std::string text)
{
   std::replace_if(text.begin(), text.end(), isControlByte, ' ');
   return text;
}

bool isCookieHeaderName(const std::string& name)
{
   return name.size() == 6 && std::equal(name.begin(), name.end(), "cookie", [](char a, char b) {
             return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
          });
}

std::vector<std::string> pieces(const std::string& text, const std::string& delimiters)
{
   std::vector<std::string> found;
   std::size_t begin = text.find_first_not_of(delimiters);
   while (begin != std::string::npos)
   {
      const std::size_t end = std::min(text.find_first_of(delimiters, begin), text.size());
      found.push_back(text.substr(begin, end - begin));
      begin = text.find_first_not_of(delimiters, end);
   }
   return found;
}

Fields referenceCookies(const std::string& value)
{
   Fields cookies;
   for (const std::string& field : pieces(value, ";, "))
   {
      const std::size_t nameBegin = field.find_first_not_of('=');
      if (nameBegin == std::string::npos)
         continue;
      const std::size_t nameEnd = std::min(field.find('=', nameBegin), field.size());
      cookies.emplace_back(field.substr(nameBegin, nameEnd - nameBegin),
                           nameEnd < field.size() ? field.substr(nameEnd + 1) : std::string());
   }
   return cookies;
}

std::string referenceFieldValue(const std::string& value)
{
   for (const std::string& field : pieces(value, ";, "))
   {
      const std::vector<std::string> parts = pieces(field, "= ");
      if (!parts.empty())
         return parts.size() < 2 ? std::string() : parts[1];
   }
   return std::string();
}

std::string firstValue(const Fields& fields, const std::string& name)
{
   for (const auto& field : fields)
   {
      if (field.first == name)
         return field.second;
   }
   return std::string();
}

std::string referenceSetCookie(
   const std::string& name, const std::string& value, const std::string& path, bool httpOnly, bool secure)
{
   static const char kHexDigits[] = "0123456789ABCDEF";
   std::string text = name + "=";
   for (const char c : value)
   {
      const unsigned char byte = static_cast<unsigned char>(c);
      if (byte < 0x20 || byte == 0x7F || c == ';' || c == ',')
         text += std::string{'%', kHexDigits[byte >> 4], kHexDigits[byte & 0x0F]};
      else
         text += c;
   }
   if (!path.empty())
      text += "; path=" + path;
   if (httpOnly)
      text += "; HttpOnly";
   if (secure)
      text += "; secure";
   return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   const std::string input(reinterpret_cast<const char*>(data), size);
   Request request;
   Fields expected;
   std::vector<std::string> names{input}; // of every header's fields, cookies or not
   std::string firstCookieHeader;
   bool cookieHeaderSeen = false;
   std::istringstream lines(input);
   std::string line;
   std::string lastLine;
   while (std::getline(lines, line))
   {
      std::string name = kHeaderNames[0];
      if (!line.empty() && line[0] >= 1 && line[0] <= 4)
      {
         name = kHeaderNames[static_cast<int>(line[0])];
         line.erase(0, 1);
      }
      request.addHeader(name, line);
      lastLine = line;

      check(request.headers().back().value == stored(line));
      Fields parsed;
      util::parseCookieHeader(stored(line), &parsed);
      const Fields reference = referenceCookies(stored(line));
      check(parsed == reference);
      for (const auto& field : reference)
         names.push_back(field.first);
      if (isCookieHeaderName(name))
      {
         expected.insert(expected.end(), reference.begin(), reference.end());
         if (!cookieHeaderSeen)
            firstCookieHeader = stored(line);
         cookieHeaderSeen = true;
      }
   }

   for (const std::string& name : names)
      check(request.cookieValue(name) == firstValue(expected, name));
   check(request.headerFieldValue("Cookie") == referenceFieldValue(firstCookieHeader));

   // The new cookie follows the client's first cookie header, which keeps its bytes;
   // the parsed cookies stay as they were, the new one after them.
   request.addCookie("added", input);
   const std::string added = "added=" + stored(input);
   check(request.headerValue("Cookie") == (firstCookieHeader.empty() ? added : firstCookieHeader + "; " + added));
   for (const std::string& name : names)
   {
      if (name != "added")
         check(request.cookieValue(name) == firstValue(expected, name));
   }
   expected.emplace_back("added", input);
   check(request.cookieValue("added") == firstValue(expected, "added"));

   const std::string cookieName = input.substr(0, input.find('\n'));
   const bool httpOnly = size % 2 == 1;
   const bool secure = size % 3 == 1;
   const Cookie cookie(request, cookieName, input, lastLine, httpOnly, secure);
   check(cookie.headerValue() == referenceSetCookie(cookieName, input, lastLine, httpOnly, secure));
   return 0;
}
