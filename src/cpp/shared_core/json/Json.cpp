// Json.cpp: the JSON value handle: construction, assignment, kinds and getters.
//
// A handle's Impl points at a RapidJSON value: the root of a document it owns, or a
// slot inside a document whose ownership it shares. Scalars are stored with
// RapidJSON's number flags, so integer widths and Real follow RapidJSON exactly.
#include <shared_core/json/Json.hpp>

#include <cstddef>
#include <cstring>
#include <ostream>

#include "JsonImpl.hpp"

namespace velorin::core::json {
namespace {

constexpr std::size_t kDocumentStackCapacity = 1024;

// Text up to its first NUL, as every string of the model is stored. The copy is made
// before the old content goes, since the text may be that content.
void assignString(RapidValue& target, const char* text)
{
   if (text == nullptr)
      text = "";
   RapidValue copy(text, static_cast<rapidjson::SizeType>(std::strlen(text)), sharedAllocator());
   moveInto(target, copy);
}

// The stored 64-bit integer, whatever widths it fits.
std::int64_t storedInteger(const RapidValue& value)
{
   if (value.IsInt64())
      return value.GetInt64();
   if (value.IsUint64())
      return static_cast<std::int64_t>(value.GetUint64());
   return 0;
}

// Room for the copy of a value a few levels deep with a few dozen members before the
// copy's work stack needs the heap.
constexpr std::size_t kCopyStackCapacity = 512;
constexpr std::size_t kCopyScratchSize = 1024;

} // namespace

void copyInto(RapidValue& target, const RapidValue& value)
{
   if (!value.IsArray() && !value.IsObject())
   {
      RapidValue copy(value, sharedAllocator());
      moveInto(target, copy);
      return;
   }
   if (value.IsArray() ? value.Empty() : value.ObjectEmpty())
   {
      RapidValue empty(value.GetType());
      moveInto(target, empty);
      return;
   }
   // RapidJSON's own deep copy builds a container on a document whose work stack and
   // its allocator each take a heap block; this one builds it the same way, on scratch
   // memory.
   alignas(std::max_align_t) char scratch[kCopyScratchSize];
   ScratchAllocator stackAllocator(scratch, sizeof(scratch), kScratchChunkSize);
   ScratchDocument copy(&sharedAllocator(), kCopyStackCapacity, &stackAllocator);
   auto generator = [&value](ScratchDocument& handler) { return value.Accept(handler); };
   copy.Populate(generator);
   moveInto(target, copy);
}

std::shared_ptr<RapidValue> newDocument()
{
   return std::allocate_shared<RapidDocument>(
      RecyclingAllocator<RapidDocument>(), &sharedAllocator(), kDocumentStackCapacity, &sharedAllocator());
}

std::shared_ptr<ValueAccess::Impl> newRootImpl()
{
   return newImpl<ValueAccess::Impl>(newDocument());
}

RapidValue::MemberIterator findMember(RapidValue& object, const char* name, std::size_t length)
{
   auto member = object.MemberBegin();
   for (; member != object.MemberEnd(); ++member)
   {
      if (member->name.GetStringLength() == length &&
          std::memcmp(member->name.GetString(), name, length) == 0)
         break;
   }
   return member;
}

Value::Value() : impl_(newRootImpl())
{
}

Value::Value(const Value& other) : impl_(newRootImpl())
{
   copyInto(*impl_->value, ValueAccess::current(other));
}

Value::Value(Value&& other) noexcept : impl_(newRootImpl())
{
   impl_->value->Swap(*other.impl_->value);
}

Value::Value(const std::string& value) : Value(value.c_str())
{
}

Value::Value(const char* value) : impl_(newRootImpl())
{
   assignString(*impl_->value, value);
}

Value::Value(int value) : impl_(newRootImpl())
{
   *this = value;
}

Value::Value(unsigned value) : impl_(newRootImpl())
{
   *this = value;
}

Value::Value(std::int64_t value) : impl_(newRootImpl())
{
   *this = value;
}

Value::Value(std::uint64_t value) : impl_(newRootImpl())
{
   *this = value;
}

Value::Value(float value) : impl_(newRootImpl())
{
   *this = value;
}

Value::Value(double value) : impl_(newRootImpl())
{
   *this = value;
}

Value::Value(bool value) : impl_(newRootImpl())
{
   *this = value;
}

Value Value::clone() const
{
   return Value(*this);
}

Array Value::getArray() const
{
   return ValueAccess::sharedArray(*this);
}

template <>
Array Value::getAs<Array>() const
{
   // Copied from a named handle: a temporary would be elided into the result.
   const Array shared = getArray();
   Array copy(shared);
   return copy;
}

template <>
bool Value::getAs<bool>() const
{
   return getBool();
}

template <>
const char* Value::getAs<const char*>() const
{
   const RapidValue& value = *impl_->value;
   return value.IsString() ? value.GetString() : "";
}

template <>
double Value::getAs<double>() const
{
   return getDouble();
}

template <>
float Value::getAs<float>() const
{
   return getFloat();
}

template <>
int Value::getAs<int>() const
{
   return getInt();
}

template <>
std::int64_t Value::getAs<std::int64_t>() const
{
   return getInt64();
}

template <>
Object Value::getAs<Object>() const
{
   const Object shared = getObject();
   Object copy(shared);
   return copy;
}

template <>
std::string Value::getAs<std::string>() const
{
   return getString();
}

template <>
unsigned Value::getAs<unsigned>() const
{
   return getUInt();
}

template <>
std::uint64_t Value::getAs<std::uint64_t>() const
{
   return getUInt64();
}

bool Value::getBool() const
{
   return impl_->value->IsTrue();
}

double Value::getDouble() const
{
   const RapidValue& value = *impl_->value;
   return value.IsNumber() ? value.GetDouble() : 0.0;
}

float Value::getFloat() const
{
   return static_cast<float>(getDouble());
}

int Value::getInt() const
{
   return static_cast<int>(static_cast<std::uint32_t>(storedInteger(*impl_->value)));
}

std::int64_t Value::getInt64() const
{
   return storedInteger(*impl_->value);
}

Object Value::getObject() const
{
   return ValueAccess::sharedObject(*this);
}

std::string Value::getString() const
{
   const RapidValue& value = *impl_->value;
   if (!value.IsString())
      return std::string();
   return std::string(value.GetString(), value.GetStringLength());
}

Type Value::getType() const
{
   switch (impl_->value->GetType())
   {
      case rapidjson::kArrayType:
         return Type::Array;
      case rapidjson::kFalseType:
      case rapidjson::kTrueType:
         return Type::Boolean;
      case rapidjson::kNumberType:
         return impl_->value->IsDouble() ? Type::Real : Type::Integer;
      case rapidjson::kObjectType:
         return Type::Object;
      case rapidjson::kStringType:
         return Type::String;
      case rapidjson::kNullType:
         return Type::Null;
   }
   return Type::Unknown;
}

unsigned Value::getUInt() const
{
   return static_cast<std::uint32_t>(storedInteger(*impl_->value));
}

std::uint64_t Value::getUInt64() const
{
   return static_cast<std::uint64_t>(storedInteger(*impl_->value));
}

template <>
bool Value::holds<Array>() const
{
   return getType() == Type::Array;
}

template <>
bool Value::holds<int>() const
{
   return getType() == Type::Integer;
}

template <>
bool Value::holds<Object>() const
{
   return getType() == Type::Object;
}

template <>
bool Value::holds<std::string>() const
{
   return getType() == Type::String;
}

bool Value::isArray() const
{
   return impl_->value->IsArray();
}

bool Value::isBool() const
{
   return impl_->value->IsBool();
}

bool Value::isDouble() const
{
   return impl_->value->IsDouble();
}

bool Value::isFloat() const
{
   return impl_->value->IsFloat();
}

bool Value::isInt() const
{
   return impl_->value->IsInt();
}

bool Value::isInt64() const
{
   return impl_->value->IsInt64();
}

bool Value::isNull() const
{
   return impl_->value->IsNull();
}

bool Value::isObject() const
{
   return impl_->value->IsObject();
}

bool Value::isString() const
{
   return impl_->value->IsString();
}

bool Value::isUInt() const
{
   return impl_->value->IsUint();
}

bool Value::isUInt64() const
{
   return impl_->value->IsUint64();
}

Value& Value::operator=(const Value& other)
{
   if (this != &other)
      copyInto(*impl_->value, ValueAccess::current(other));
   return *this;
}

Value& Value::operator=(Value&& other) noexcept
{
   if (this == &other)
      return *this;
   // A view owns nothing to give: `o["b"] = o["a"]` must leave "a" as it was.
   if (ValueAccess::isView(other))
      copyInto(*impl_->value, ValueAccess::current(other));
   else
      moveInto(*impl_->value, *other.impl_->value);
   return *this;
}

Value& Value::operator=(int value)
{
   impl_->value->SetInt(value);
   return *this;
}

Value& Value::operator=(unsigned value)
{
   impl_->value->SetUint(value);
   return *this;
}

Value& Value::operator=(std::int64_t value)
{
   impl_->value->SetInt64(value);
   return *this;
}

Value& Value::operator=(std::uint64_t value)
{
   impl_->value->SetUint64(value);
   return *this;
}

Value& Value::operator=(float value)
{
   impl_->value->SetDouble(static_cast<double>(value));
   return *this;
}

Value& Value::operator=(double value)
{
   impl_->value->SetDouble(value);
   return *this;
}

Value& Value::operator=(bool value)
{
   impl_->value->SetBool(value);
   return *this;
}

Value& Value::operator=(const std::string& value)
{
   assignString(*impl_->value, value.c_str());
   return *this;
}

Value& Value::operator=(const char* value)
{
   assignString(*impl_->value, value);
   return *this;
}

bool Value::operator==(const Value& other) const
{
   return impl_->value.get() == other.impl_->value.get();
}

std::ostream& operator<<(std::ostream& os, Type type)
{
   return os << typeAsString(type);
}

std::string typeAsString(Type type)
{
   switch (type)
   {
      case Type::Array:
         return "<Array>";
      case Type::Boolean:
         return "<Boolean>";
      case Type::Integer:
         return "<Integer>";
      case Type::Object:
         return "<Object>";
      case Type::String:
         return "<String>";
      case Type::Real:
         return "<Real>";
      case Type::Null:
         return "<Null>";
      case Type::Unknown:
         break;
   }
   return "<Unknown>";
}

} // namespace velorin::core::json
