// JsonSchemaPairFuzzer.cpp: validates and coerces a fuzzed document against a fuzzed
// schema. The input is the schema text, a NUL byte, then the document text. Every
// pair must give a verdict or a schema error, never a crash, and coercion must agree
// with validation.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <shared_core/json/Json.hpp>

#include "FuzzCheck.hpp"

using namespace velorin::core;
using velorin::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   const char* text = reinterpret_cast<const char*>(data);
   const char* separator = std::find(text, text + size, '\0');
   if (separator == text + size)
      return 0;
   const std::string schema(text, separator);
   json::Value value;
   if (value.parse(std::string(separator + 1, text + size)))
      return 0;

   Error validation = value.validate(schema);
   json::Value coerced = value.clone();
   std::vector<std::string> paths;
   Error coercion = coerced.coerce(schema, paths);
   if (!validation)
   {
      check(!coercion && paths.empty() && coerced.write() == value.write());
      return 0;
   }
   if (validation.getCode() != 17)
   {
      // A schema refused by both in the same way, before anything changed.
      check(coercion.getCode() == validation.getCode() &&
            coercion.getProperties() == validation.getProperties());
      check(paths.empty() && coerced.write() == value.write());
      return 0;
   }
   check(!validation.getProperty("document").empty() && !validation.getProperty("keyword").empty());
   if (coercion)
      check(coercion.getCode() == 17 && !coercion.getProperty("document").empty());
   else
      check(!coerced.validate(schema) && !paths.empty());
   return 0;
}
