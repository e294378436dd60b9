// HttpCookieFuzzer.cpp: "Cookie" headers of any bytes, one per input line: the cookies
// parse, and a cookie added to the request keeps the client's header as it was.
#include <core/http/Cookie.hpp>
#include <core/http/Request.hpp>

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
      util::parseFields(header.value, ";, ", "= ", &parsed, FieldDecodeNone);
   for (const auto& cookie : parsed)
      check(request.cookieValue(cookie.first) == util::fieldValue(parsed, cookie.first));

   request.addCookie("added", input);
   std::string stored = input;
   std::replace(stored.begin(), stored.end(), '\r', ' ');
   std::replace(stored.begin(), stored.end(), '\n', ' ');
   const std::string expected = firstHeader.empty() ? "added=" + stored : firstHeader + "; added=" + stored;
   check(request.headerValue("Cookie") == expected);
   if (std::none_of(parsed.begin(), parsed.end(), [](const auto& c) { return c.first == "added"; }))
      check(request.cookieValue("added") == input);

   Cookie cookie(request, input, input, input, true, true);
   check(cookie.headerValue().compare(0, input.size() * 2 + 1, input + "=" + input) == 0);
   return 0;
}
