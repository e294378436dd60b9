// JsonSchemaPairFuzzer.cpp: validates and coerces a fuzzed document against a fuzzed
// schema. The input is the schema text, a NUL byte, then the document text. Every
// pair must give a verdict or a schema error, never a crash, and coercion must agree
// with validation.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include <shared_core/json/Json.hpp>

#include "SchemaVerdictCheck.hpp"

using namespace velorin::core;
using velorin::fuzz::checkSchemaVerdicts;

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

   ignoreError(checkSchemaVerdicts(value, schema)); // the verdicts are checked inside; the pair need not validate
   return 0;
}
