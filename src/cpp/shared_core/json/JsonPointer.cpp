// JsonPointer.cpp: storing a value at a JSON Pointer path (RFC 6901).
//
// RapidJSON's pointer creates what the path needs on the way: missing members,
// array elements up to the index, containers in place of other values.
#include <shared_core/json/Json.hpp>

#include <cstring>

#include <rapidjson/pointer.h>

#include "JsonImpl.hpp"

namespace velorin::core::json {

Error Value::setValueAtPointerPath(const std::string& path, const Value& value)
{
   rapidjson::GenericPointer<RapidValue, RapidAllocator> pointer(
      path.c_str(), std::strlen(path.c_str()), &sharedAllocator());
   if (!pointer.IsValid())
   {
      Error error(boost::system::error_code(pointer.GetParseErrorCode(), jsonPointerParseCategory()),
                  ERROR_LOCATION);
      error.addProperty("offset", std::to_string(pointer.GetParseErrorOffset()));
      return error;
   }
   // Copied first: the value may lie inside this one, which creating the path changes.
   RapidValue copy(*value.impl_->value, sharedAllocator());
   RapidValue& target = pointer.Create(*impl_->value, sharedAllocator());
   moveInto(target, copy);
   return Success();
}

} // namespace velorin::core::json
