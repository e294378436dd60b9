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

// The values of a prepared document whose failures RapidJSON reports otherwise than
// the schema as written would.
struct SchemaStandIns
{
   // Standing in for an "additionalProperties" of false beside "patternProperties";
   // RapidJSON reports them as failing keyword "not".
   std::vector<const rapidjson::Value*> closedObjects;
   // An "additionalProperties" schema beside "patternProperties", moved into the last
   // branch of its object's "allOf"; RapidJSON reports it as failing that "allOf".
   std::vector<const rapidjson::Value*> movedAdditional;
};

// Rewrites document for RapidJSON, or gives why it cannot take it.
std::optional<SchemaRefusal> prepareSchema(rapidjson::Document& document, SchemaStandIns& standIns);

} // namespace velorin::core::json
