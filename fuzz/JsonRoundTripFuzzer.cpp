// JsonRoundTripFuzzer.cpp: parses arbitrary bytes and checks that the compact and the
// indented text of the result read back to the same value, and that a failed parse
// leaves the earlier value untouched.
#include <cstddef>
#include <cstdint>
#include <string>

#include <shared_core/json/Json.hpp>

#include "FuzzCheck.hpp"
#include "JsonFuzzCompare.hpp"

using namespace velorin::core;
using velorin::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   const std::string text(reinterpret_cast<const char*>(data), size);
   json::Value value;
   check(!value.parse(R"({"earlier":[1,"two"]})"));
   Error error = value.parse(text);
   if (error)
   {
      check(error.getName() == "json-parse");
      check(value.write() == R"({"earlier":[1,"two"]})");
      return 0;
   }

   const std::string compact = value.write();
   const std::string formatted = value.writeFormatted();
   json::Value fromCompact;
   json::Value fromFormatted;
   check(!fromCompact.parse(compact));
   check(!fromFormatted.parse(formatted));
   check(json::sameJson(value, fromCompact));
   check(json::sameJson(value, fromFormatted));
   check(json::sameJson(value, value.clone()));
   return 0;
}
