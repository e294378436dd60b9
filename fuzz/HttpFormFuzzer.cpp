// HttpFormFuzzer.cpp: query strings, form bodies and field lists parsed from any
// bytes; fields built into a query string read back unchanged, and any text decodes
// back from its encoding.
#include <core/http/Util.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.hpp"

using namespace velorin::core::http;
using velorin::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   const std::string input(reinterpret_cast<const char*>(data), size);

   check(util::urlDecode(util::urlEncode(input, true)) == input);
   check(util::urlDecode(util::urlEncode(input, false)) == input);

   Fields form;
   util::parseForm(input, &form);
   Fields cookies;
   util::parseFields(input, ";, ", "= ", &cookies, FieldDecodeNone);
   for (const auto& cookie : cookies)
   {
      check(!cookie.first.empty());
      check(cookie.first.find_first_of(";, =") == std::string::npos);
      check(cookie.second.find_first_of(";, =") == std::string::npos);
   }

   std::string query;
   util::buildQueryString(form, &query);
   Fields readBack;
   util::parseQueryString(query, &readBack);
   check(readBack == form);
   if (!form.empty())
      check(util::fieldValue(form, form.front().first) == form.front().second);
   return 0;
}
