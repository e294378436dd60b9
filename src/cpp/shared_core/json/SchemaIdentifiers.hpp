// SchemaIdentifiers.hpp: references that name a schema of the same document through
// the "id" of a schema, turned into the local pointers RapidJSON 1.1 follows.
#pragma once

#include <rapidjson/document.h>

namespace velorin::core::json {

// Resolves every "$ref" of document against the base URI the "id"s around it set up
// (RFC 3986), and points each one that names a schema of document, alone or followed
// by a "#/..." fragment, at that schema by a local pointer. References naming nothing
// in document are left as written.
void resolveIdentifiedReferences(rapidjson::Document& document);

} // namespace velorin::core::json
