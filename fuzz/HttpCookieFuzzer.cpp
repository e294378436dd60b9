// HttpCookieFuzzer.cpp: "Cookie" headers of any bytes, one per input line: the cookies
// parse, a cookie added to the request keeps the client's header as it was (control
// bytes but HTAB stored as spaces), and a cookie written for a response starts with its
// name as given.
#include <core/http/Cookie.hpp>
#include <core/http/Request.hpp>
#include <core/http/Util.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "FuzzCheck.hpp"

using namespace velorin::core::http;
using velorin::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   const std::string input(reinterpret_cast<const char*>(data), size);
   Request request;
   std::istringstream lines(input);
   std::string line;
   while (std::getline(lines, line))
      request.addHeader("Cookie", line);

   const std::string firstHeader = request.headerValue("Cookie");
   Fields parsed;
   for (const Header& header : request.headers())
      util::parseCookieHeader(header.value, &parsed);
   for (const auto& cookie : parsed)
      check(request.cookieValue(cookie.first) == util::fieldValue(parsed, cookie.first));

   request.addCookie("added", input);
   std::string stored = input;
   std::replace_if(
      stored.begin(), stored.end(),
      [](char c) { return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == '\x7F'; }, ' ');
   const std::string expected = firstHeader.empty() ? "added=" + stored : firstHeader + "; added=" + stored;
   check(request.headerValue("Cookie") == expected);
   if (std::none_of(parsed.begin(), parsed.end(), [](const auto& c) { return c.first == "added"; }))
      check(request.cookieValue("added") == input);

   Cookie cookie(request, input, input, input, true, true);
   // The value is percent-encoded where its bytes would change the header's meaning.
   const std::string written = cookie.headerValue();
   check(written.compare(0, input.size() + 1, input + "=") == 0);
   const std::string value = written.substr(input.size() + 1, written.find(';', input.size() + 1) - input.size() - 1);
   check(std::none_of(value.begin(), value.end(), [](char c) {
      return static_cast<unsigned char>(c) < 0x20 || c == '\x7F' || c == ',';
   }));
   return 0;
}
