// JsonImpl.hpp: the RapidJSON types behind the JSON model, shared by its source files.
//
// Every document is a RapidJSON document over one stateless CrtAllocator; a handle's
// Impl points at the document root or, aliasing the root's ownership, at a slot
// inside it. Not installed: callers see only Json.hpp.
#pragma once

#include <memory>

#include <rapidjson/document.h>
#include <rapidjson/reader.h>

#include <shared_core/json/Json.hpp>

namespace velorin::core::json {

using RapidAllocator = rapidjson::CrtAllocator;
using RapidValue = rapidjson::GenericValue<rapidjson::UTF8<>, RapidAllocator>;
using RapidDocument = rapidjson::GenericDocument<rapidjson::UTF8<>, RapidAllocator, RapidAllocator>;

// Stateless, so content moves bitwise between documents and frees from any of them.
inline RapidAllocator& sharedAllocator()
{
   static RapidAllocator allocator;
   return allocator;
}

struct Value::Impl
{
   std::shared_ptr<RapidValue> value;
};

struct Object::Member::Impl
{
   std::shared_ptr<RapidValue> value;
   std::string name;
};

// A root of a new document holding null.
std::shared_ptr<RapidValue> newDocument();

// The model's private parts, for the source files that build it.
struct ValueAccess
{
   using Impl = Value::Impl;

   static RapidValue& rapid(const Value& value) { return *value.impl_->value; }

   // A root handle in a new document that takes over content (content becomes null).
   static Value adopt(RapidValue& content);

   static Value fromPointer(std::shared_ptr<RapidValue> pointer)
   {
      return Value(std::make_shared<Value::Impl>(Value::Impl{std::move(pointer)}));
   }

   // A view of a slot inside owner's document.
   static Value view(const Value& owner, RapidValue& slot)
   {
      return Value(std::make_shared<Value::Impl>(
         Value::Impl{std::shared_ptr<RapidValue>(owner.impl_->value, &slot)}));
   }

   static Array sharedArray(const Value& value) { return Array(value.impl_); }
   static Object sharedObject(const Value& value) { return Object(value.impl_); }

   static Object::Member member(const Value& owner, RapidValue::Member& member)
   {
      return Object::Member(std::make_shared<Object::Member::Impl>(Object::Member::Impl{
         std::shared_ptr<RapidValue>(owner.impl_->value, &member.value),
         std::string(member.name.GetString(), member.name.GetStringLength())}));
   }
};

// The first member of that name (matched over its whole length), or MemberEnd.
RapidValue::MemberIterator findMember(RapidValue& object, const char* name, std::size_t length);

// Replaces target's content with content's (content becomes null); safe when content
// lies inside target.
inline void moveInto(RapidValue& target, RapidValue& content)
{
   if (&target == &content)
      return;
   RapidValue taken;
   taken.Swap(content);
   target.Swap(taken);
}

// A deep copy of value, strings included.
inline void copyInto(RapidValue& target, const RapidValue& value)
{
   RapidValue copy(value, sharedAllocator());
   moveInto(target, copy);
}

} // namespace velorin::core::json
