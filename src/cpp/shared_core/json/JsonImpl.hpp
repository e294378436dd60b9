// JsonImpl.hpp: the RapidJSON types behind the JSON model, shared by its source files.
//
// Every document is a RapidJSON document over one stateless CrtAllocator; a handle's
// Impl points at the document root or, aliasing the root's ownership, at a slot
// inside it. Not installed: callers see only Json.hpp.
#pragma once

#include <cstddef>
#include <memory>

#include <rapidjson/document.h>
#include <rapidjson/reader.h>

#include <shared_core/json/Json.hpp>

#include "RecyclingAllocator.hpp"

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
   explicit Impl(std::shared_ptr<RapidValue> root) : value(std::move(root)) {}

   // A view of slot, which lies in owner's document one level below it.
   Impl(const Impl& owner, RapidValue& slot, RapidValue* slotContainer, rapidjson::SizeType slotIndex) :
      value(owner.value, &slot),
      container(slotContainer),
      index(slotIndex),
      depth(owner.depth + 1)
   {
   }

   std::shared_ptr<RapidValue> value;
   // Where an element or member view's slot sits: adding to the container may move
   // its storage, and the view finds its slot again by index. Unset for a root, and
   // for a view of a slot deeper inside the handle it was taken from.
   RapidValue* container = nullptr;
   rapidjson::SizeType index = 0;
   // Arrays and objects around the value in its document: 0 for a root.
   unsigned depth = 0;
};

struct Object::Member::Impl
{
   // The member at index of object, which owner refers to.
   Impl(const Value::Impl& owner, RapidValue& object, rapidjson::SizeType index) :
      value(owner, object.MemberBegin()[index].value, &object, index),
      name(object.MemberBegin()[index].name.GetString(), object.MemberBegin()[index].name.GetStringLength())
   {
   }

   Value::Impl value;
   std::string name;
};

// A root of a new document holding null.
std::shared_ptr<RapidValue> newDocument();

// Views and members come and go at every step of an iteration; their blocks are reused.
template <typename Impl, typename... Arguments>
std::shared_ptr<Impl> newImpl(Arguments&&... arguments)
{
   return std::allocate_shared<Impl>(RecyclingAllocator<Impl>(), std::forward<Arguments>(arguments)...);
}

// The model's private parts, for the source files that build it.
struct ValueAccess
{
   using Impl = Value::Impl;

   static RapidValue& rapid(const Value& value) { return *value.impl_->value; }

   static bool isView(const Value& value) { return value.impl_->depth > 0; }

   static unsigned depth(const Value& value) { return value.impl_->depth; }

   // The value as it is now, for reading. A view is looked up again by its index, as
   // its container may have moved its storage since the view was made; an index that
   // has gone reads as null. A container that is no longer an array or object had its
   // content moved away, slot included, so the view's own pointer still holds.
   static const RapidValue& current(const Value& value)
   {
      const Impl& impl = *value.impl_;
      if (impl.container == nullptr || !(impl.container->IsArray() || impl.container->IsObject()))
         return *impl.value;
      const RapidValue& container = *impl.container;
      if (container.IsArray() && impl.index < container.Size())
         return container[impl.index];
      if (container.IsObject() && impl.index < container.MemberCount())
         return container.MemberBegin()[impl.index].value;
      static const RapidValue null;
      return null;
   }

   // A view of a slot somewhere inside owner's document; it is not looked up again and
   // counts as one level below owner.
   static Value view(const Value& owner, RapidValue& slot)
   {
      return Value(newImpl<Impl>(*owner.impl_, slot, nullptr, 0));
   }

   // A view of the element at index of the array that owner refers to.
   static Value elementView(const Value& owner, rapidjson::SizeType index)
   {
      RapidValue& array = rapid(owner);
      return Value(newImpl<Impl>(*owner.impl_, array[index], &array, index));
   }

   // A view of the value of the member at index of the object that owner refers to.
   static Value memberView(const Value& owner, rapidjson::SizeType index)
   {
      RapidValue& object = rapid(owner);
      return Value(newImpl<Impl>(*owner.impl_, object.MemberBegin()[index].value, &object, index));
   }

   // The member's own view, shared: no Impl is changed once made, so a handle on it is
   // as good as a copy, and costs no block.
   static Value memberValue(const std::shared_ptr<Object::Member::Impl>& member)
   {
      return Value(std::shared_ptr<Impl>(member, &member->value));
   }

   static Array sharedArray(const Value& value) { return Array(value.impl_); }
   static Object sharedObject(const Value& value) { return Object(value.impl_); }

   static Object::Member member(const Value& owner, rapidjson::SizeType index)
   {
      return Object::Member(newImpl<Object::Member::Impl>(*owner.impl_, rapid(owner), index));
   }
};

// A handle on a new document holding null. Handles and their documents come and go
// with every temporary value, so their blocks are reused like those of views.
std::shared_ptr<ValueAccess::Impl> newRootImpl();

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

// A deep copy of value, strings included; safe when value lies inside target.
void copyInto(RapidValue& target, const RapidValue& value);

// Memory on the caller's stack for the work stacks that a reader, a writer or a
// document fills while it builds or writes a value, so that only a large value costs
// heap blocks for them.
using ScratchAllocator = rapidjson::MemoryPoolAllocator<RapidAllocator>;
using ScratchDocument = rapidjson::GenericDocument<rapidjson::UTF8<>, RapidAllocator, ScratchAllocator>;

// What a scratch pool takes from the heap at a time once its own memory is used up.
constexpr std::size_t kScratchChunkSize = 4096;

} // namespace velorin::core::json
