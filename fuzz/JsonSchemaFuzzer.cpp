// JsonSchemaFuzzer.cpp: validates and coerces arbitrary documents against a few
// schemas, and checks that coercion leaves a valid value or a reported failure.
#include <cstddef>
#include <cstdint>
#include <string>

#include <shared_core/json/Json.hpp>

#include "FuzzCheck.hpp"
#include "SchemaVerdictCheck.hpp"

using namespace velorin::core;
using velorin::fuzz::check;
using velorin::fuzz::checkSchemaVerdicts;

namespace {

const char* const kSchemas[] = {
   R"({"type":"object","properties":{"name":{"type":"string","maxLength":8},)"
   R"("age":{"type":"integer","minimum":0},"tags":{"type":"array","items":{"type":"string"}}},)"
   R"("required":["name"],"additionalProperties":false})",
   R"({"type":"array","items":{"type":"object","properties":{"id":{"type":"integer"},)"
   R"("value":{"enum":[1,"one",null]}},"required":["id"]},"maxItems":20})",
   R"({"type":"object","properties":{"config":{"type":"object","properties":{"level":)"
   R"({"type":"string","enum":["low","high"],"default":"low"},"limits":{"type":"array",)"
   R"("items":{"type":"number","maximum":100},"uniqueItems":true}}},"mode":{"type":"integer",)"
   R"("default":1}},"additionalProperties":{"type":"boolean"}})",
   R"({"anyOf":[{"type":"string","pattern":"^[a-z]+$"},{"type":"array","items":{"$ref":"#"}}]})",
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   const std::string text(reinterpret_cast<const char*>(data), size);
   json::Value value;
   if (value.parse(text))
      return 0;

   // The schemas are sound: a value passes or fails them.
   for (const char* schema : kSchemas)
      check(checkSchemaVerdicts(value, schema).getCode() != 3);

   // The document as a schema of its own: defaults and merging must not fail oddly.
   json::Object defaults;
   Error error = json::Object::getSchemaDefaults(text, defaults);
   check(!error || error.getCode() == 3);
   if (value.isObject())
      json::Object::merge(value.getObject(), defaults).write();
   return 0;
}
