// JsonFuzzCompare.hpp: structural equality of JSON values for the fuzz targets.
//
// Reals compare within a small tolerance: RapidJSON's default parsing is not full
// precision, so text written from a double may read back a few units in the last
// place away.
#pragma once

#include <algorithm>
#include <cmath>

#include <shared_core/json/Json.hpp>

namespace velorin::core::json {

inline bool sameJson(const Value& a, const Value& b)
{
   if (a.getType() != b.getType())
      return false;
   switch (a.getType())
   {
      case Type::Array:
      {
         Array left = a.getArray();
         Array right = b.getArray();
         if (left.getSize() != right.getSize())
            return false;
         for (unsigned i = 0; i < left.getSize(); ++i)
         {
            if (!sameJson(left[i], right[i]))
               return false;
         }
         return true;
      }
      case Type::Object:
      {
         Object left = a.getObject();
         Object right = b.getObject();
         if (left.getSize() != right.getSize())
            return false;
         for (auto l = left.begin(), r = right.begin(); l != left.end(); ++l, ++r)
         {
            if ((*l).getName() != (*r).getName() || !sameJson((*l).getValue(), (*r).getValue()))
               return false;
         }
         return true;
      }
      case Type::Boolean:
         return a.getBool() == b.getBool();
      case Type::Integer:
         return a.getInt64() == b.getInt64() && a.isInt64() == b.isInt64();
      case Type::String:
         return a.getString() == b.getString();
      case Type::Real:
      {
         double x = a.getDouble();
         double y = b.getDouble();
         double scale = std::max(std::fabs(x), std::fabs(y));
         return x == y || std::fabs(x - y) <= 1e-12 * scale || std::fabs(x - y) < 1e-300;
      }
      case Type::Null:
      case Type::Unknown:
         return true;
   }
   return false;
}

} // namespace velorin::core::json
