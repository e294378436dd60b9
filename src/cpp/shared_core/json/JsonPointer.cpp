// JsonPointer.cpp: storing a value at a JSON Pointer path (RFC 6901).
//
// RapidJSON's pointer creates what the path needs on the way: missing members,
// array elements up to the index, containers in place of other values. It neither
// limits how deep it nests nor checks its allocations, so the path is measured
// against both before anything changes.
#include <shared_core/json/Json.hpp>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include <rapidjson/pointer.h>

#include <platform/Win32Api.hpp>

#include "JsonImpl.hpp"
#include "JsonParse.hpp"

namespace velorin::core::json {
namespace {

using Pointer = rapidjson::GenericPointer<RapidValue, RapidAllocator>;

// Arrays and objects nested in value, counted no further than one past limit, so
// that measuring a value nested too deep stays within the stack.
unsigned nestingDepth(const RapidValue& value, unsigned limit)
{
   if (!value.IsArray() && !value.IsObject())
      return 0;
   if (limit == 0)
      return 1;
   unsigned deepest = 0;
   auto measure = [&](const RapidValue& child) {
      deepest = std::max(deepest, nestingDepth(child, limit - 1));
      return deepest < limit;
   };
   if (value.IsArray())
   {
      for (const RapidValue& element : value.GetArray())
         if (!measure(element))
            break;
   }
   else
   {
      for (const RapidValue::Member& member : value.GetObject())
         if (!measure(member.value))
            break;
   }
   return deepest + 1;
}

// Whether value, placed below that many arrays and objects, nests no deeper than
// parse accepts.
bool fitsBelow(std::size_t levels, const RapidValue& value)
{
   if (levels > kMaxNestingDepth)
      return false;
   auto room = static_cast<unsigned>(kMaxNestingDepth - levels);
   return nestingDepth(value, room) <= room;
}

constexpr std::uint64_t kUnholdable = std::numeric_limits<std::uint64_t>::max();

// RapidJSON grows a full array of capacity c to c + (c + 1) / 2 in 32 bits; an array
// padded beyond this could never take another element without that sum wrapping.
constexpr std::uint64_t kLargestPaddedArray = std::uint64_t{0xFFFFFFFF} * 2 / 3;

// The block RapidJSON reserves for an array padded with nulls up to index.
std::uint64_t paddedArrayBytes(rapidjson::SizeType index)
{
   std::uint64_t elements = std::uint64_t{index} + 1;
   return elements > kLargestPaddedArray ? kUnholdable : elements * sizeof(RapidValue);
}

// The bytes that creating the path reserves for padded arrays, found by following
// RapidJSON's rules over what exists without changing it.
std::uint64_t paddingBytes(RapidValue& start, const Pointer& pointer)
{
   std::uint64_t bytes = 0;
   RapidValue* existing = &start; // null once the path has left what exists
   for (std::size_t i = 0; i < pointer.GetTokenCount() && bytes != kUnholdable; ++i)
   {
      const Pointer::Token& token = pointer.GetTokens()[i];
      bool isIndex = token.index != rapidjson::kPointerInvalidIndex;
      if (existing != nullptr && existing->IsArray() && token.length == 1 && token.name[0] == '-')
      {
         existing = nullptr;
      }
      else if (existing != nullptr && existing->IsObject())
      {
         auto member = findMember(*existing, token.name, token.length);
         existing = member == existing->MemberEnd() ? nullptr : &member->value;
      }
      else if (isIndex && existing != nullptr && existing->IsArray() && token.index < existing->Size())
      {
         existing = &(*existing)[token.index];
      }
      else
      {
         if (isIndex)
         {
            std::uint64_t padding = paddedArrayBytes(token.index);
            bytes = padding > kUnholdable - bytes ? kUnholdable : bytes + padding;
         }
         existing = nullptr;
      }
   }
   return bytes;
}

// Whether the C heap grants that many bytes now: RapidJSON would write through the
// null pointer of a refused allocation.
bool canAllocate(std::uint64_t bytes)
{
   if (bytes == 0)
      return true;
   if (bytes > std::numeric_limits<std::size_t>::max())
      return false;
   // Held through a volatile pointer: an optimizer may drop a block freed unused, and
   // the question with it (clang does).
   void* volatile block = sharedAllocator().Malloc(static_cast<std::size_t>(bytes));
   if (block == nullptr)
      return false;
   RapidAllocator::Free(block);
   return true;
}

} // namespace

Error Value::setValueAtPointerPath(const std::string& path, const Value& value)
{
   Pointer pointer(path.c_str(), std::strlen(path.c_str()), &sharedAllocator());
   if (!pointer.IsValid())
   {
      Error error(boost::system::error_code(pointer.GetParseErrorCode(), jsonPointerParseCategory()),
                  ERROR_LOCATION);
      error.addProperty("offset", std::to_string(pointer.GetParseErrorOffset()));
      return error;
   }

   // Nothing the model holds nests deeper than text it would parse: writing, copying
   // and freeing all recurse once per level.
   const RapidValue& source = ValueAccess::current(value);
   if (!fitsBelow(ValueAccess::depth(*this) + pointer.GetTokenCount(), source))
   {
      // The parser's code for text nested too deep, so one number means it in both.
      Error error(boost::system::error_code(rapidjson::kParseErrorTermination, jsonPointerParseCategory()),
                  ERROR_LOCATION);
      error.addProperty("path", path);
      return error;
   }
   if (!canAllocate(paddingBytes(*impl_->value, pointer)))
   {
      Error error = systemError(ERROR_NOT_ENOUGH_MEMORY, ERROR_LOCATION);
      error.addProperty("path", path);
      return error;
   }

   // Copied first: the value may lie inside this one, which creating the path changes.
   RapidValue copy(source, sharedAllocator());
   RapidValue& target = pointer.Create(*impl_->value, sharedAllocator());
   moveInto(target, copy);
   return Success();
}

} // namespace velorin::core::json
