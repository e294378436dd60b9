// SchemaShapeCheck.hpp: whether RapidJSON can compile and apply a schema document
// without crashing, recursing without end or exhausting memory.
#pragma once

#include <string>
#include <vector>

#include <rapidjson/document.h>

namespace velorin::core::json {

// The schema objects that validating against document may apply, references followed,
// in the order first met; false, with none, when RapidJSON cannot apply them safely.
// Their patterns are not looked at. The pointers lead into document, which the caller
// may change through them.
bool findAppliedSchemas(rapidjson::Value& document, std::vector<rapidjson::Value*>& applied);

// False for a schema that RapidJSON's compiler or validator cannot take safely.
bool isCompilableSchema(const rapidjson::Value& document);

// Whether RapidJSON's regular expressions compile the whole pattern, safely.
bool isCompilablePattern(const std::string& pattern);

// Whether RapidJSON follows the "$ref" value: a string that begins with "#".
bool isLocalReference(const rapidjson::Value& reference);

} // namespace velorin::core::json
