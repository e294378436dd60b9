// SchemaPreparation.hpp: a parsed schema document rewritten into shapes that RapidJSON
// 1.1 compiles quickly and applies soundly, or refused.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <rapidjson/document.h>

namespace velorin::core::json {

// Why a schema is not handed to RapidJSON: the keyword value it would drop (property
// names it), or, with no property, a shape it cannot take.
struct SchemaRefusal
{
   std::string property;
   std::string value;
};

// Rewrites document for RapidJSON, or gives why it cannot take it. closedStandIns
// receives the values that stand in for an "additionalProperties" of false beside
// "patternProperties", which RapidJSON reports as failing keyword "not".
std::optional<SchemaRefusal> prepareSchema(rapidjson::Document& document,
                                           std::vector<const rapidjson::Value*>& closedStandIns);

} // namespace velorin::core::json
