// SchemaVerdictCheck.hpp: validation and coercion of one value against one schema must
// agree, whatever the two hold.
#pragma once

#include <string>
#include <vector>

#include <shared_core/json/Json.hpp>

#include "FuzzCheck.hpp"

namespace velorin::fuzz {

// Gives the validation's result.
inline core::Error checkSchemaVerdicts(const core::json::Value& value, const std::string& schema)
{
   core::Error validation = value.validate(schema);
   core::json::Value coerced = value.clone();
   std::vector<std::string> paths;
   core::Error coercion = coerced.coerce(schema, paths);
   if (!validation)
   {
      check(!coercion && paths.empty() && coerced.write() == value.write());
      return validation;
   }
   if (validation.getCode() != 17)
   {
      // A schema refused by both in the same way, before anything changed.
      check(coercion.getCode() == validation.getCode() &&
            coercion.getProperties() == validation.getProperties());
      check(paths.empty() && coerced.write() == value.write());
      return validation;
   }
   check(!validation.getProperty("document").empty() && !validation.getProperty("keyword").empty());
   if (coercion)
      check(coercion.getCode() == 17 && !coercion.getProperty("document").empty());
   else
      check(!coerced.validate(schema) && !paths.empty());
   return validation;
}

} // namespace velorin::fuzz
