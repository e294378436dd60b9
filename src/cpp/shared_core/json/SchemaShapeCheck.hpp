// SchemaShapeCheck.hpp: whether RapidJSON can compile and apply a schema document
// without crashing, recursing without end or exhausting memory.
#pragma once

#include <rapidjson/document.h>

namespace velorin::core::json {

// False for a schema that RapidJSON's compiler or validator cannot take safely.
bool isCompilableSchema(const rapidjson::Value& document);

} // namespace velorin::core::json
