// JsonContainers.cpp: arrays, objects, their members and iterators.
//
// Iterators hold their container handle and an index and look the element up when
// dereferenced, so they survive changes that move the container's storage. Element
// and member views are fresh handles aliasing the document. Operations applied to a
// value of another kind read as an empty container and change nothing.
#include <shared_core/json/Json.hpp>

#include <algorithm>
#include <cstring>

#include "JsonImpl.hpp"

namespace velorin::core::json {
namespace {

std::shared_ptr<ValueAccess::Impl> newContainerImpl(rapidjson::Type type)
{
   auto impl = newRootImpl();
   if (type == rapidjson::kArrayType)
      impl->value->SetArray();
   else
      impl->value->SetObject();
   return impl;
}

const std::string& emptyName()
{
   static const std::string& name = *new std::string();
   return name;
}

} // namespace

Array::Array() : Value(newContainerImpl(rapidjson::kArrayType))
{
}

Array::Array(const Array& other) : Value(static_cast<const Value&>(other))
{
}

Array::Array(Array&& other) : Value(static_cast<const Value&>(other))
{
}

Array::Array(std::shared_ptr<Impl> impl) : Value(std::move(impl))
{
}

Array::~Array() = default;

Array::Iterator Array::begin() const
{
   return Iterator(this, 0);
}

void Array::clear()
{
   RapidValue& array = ValueAccess::rapid(*this);
   if (array.IsArray())
      array.Clear();
}

Array::Iterator Array::end() const
{
   return Iterator(this, getSize());
}

Array::Iterator Array::erase(Iterator position)
{
   RapidValue& array = ValueAccess::rapid(*this);
   if (!array.IsArray() || array.Empty())
      return Iterator(this, 0);
   if (position.index_ >= 0 && position.index_ < array.Size())
      array.Erase(array.Begin() + position.index_);
   return Iterator(this, position.index_);
}

Array::Iterator Array::erase(Iterator first, Iterator last)
{
   RapidValue& array = ValueAccess::rapid(*this);
   if (!array.IsArray() || array.Empty())
      return Iterator(this, 0);
   std::int64_t size = array.Size();
   std::int64_t from = std::min(std::max<std::int64_t>(first.index_, 0), size);
   std::int64_t to = std::min(std::max(last.index_, from), size);
   if (from < to)
      array.Erase(array.Begin() + from, array.Begin() + to);
   return Iterator(this, from);
}

Value Array::getBack() const
{
   unsigned size = getSize();
   return getValueAt(size == 0 ? 0 : size - 1);
}

Value Array::getFront() const
{
   return getValueAt(0);
}

unsigned Array::getSize() const
{
   const RapidValue& array = ValueAccess::rapid(*this);
   return array.IsArray() ? array.Size() : 0;
}

Value Array::getValueAt(unsigned index) const
{
   RapidValue& array = ValueAccess::rapid(*this);
   if (!array.IsArray() || index >= array.Size())
      return Value();
   return ValueAccess::elementView(*this, index);
}

bool Array::isEmpty() const
{
   return getSize() == 0;
}

Array& Array::operator=(const Array& other)
{
   Value::operator=(other);
   return *this;
}

Array& Array::operator=(Array&& other) noexcept
{
   Value::operator=(std::move(other));
   return *this;
}

Value Array::operator[](unsigned index) const
{
   return getValueAt(index);
}

void Array::push_back(const Value& value)
{
   RapidValue& array = ValueAccess::rapid(*this);
   if (!array.IsArray())
      return;
   // Copied first: the value may be an element of this array, which growing moves.
   RapidValue copy(ValueAccess::current(value), sharedAllocator());
   array.PushBack(copy, sharedAllocator());
}

Array::ReverseIterator Array::rbegin() const
{
   return ReverseIterator(end());
}

Array::ReverseIterator Array::rend() const
{
   return ReverseIterator(begin());
}

Object::Object() : Value(newContainerImpl(rapidjson::kObjectType))
{
}

Object::Object(const Object& other) : Value(static_cast<const Value&>(other))
{
}

Object::Object(Object&& other) : Value(static_cast<const Value&>(other))
{
}

Object::Object(std::shared_ptr<Impl> impl) : Value(std::move(impl))
{
}

Object::~Object() = default;

Object::Iterator Object::begin() const
{
   return Iterator(this, 0);
}

void Object::clear()
{
   ValueAccess::rapid(*this).SetObject();
}

Object::Iterator Object::end() const
{
   return Iterator(this, getSize());
}

bool Object::erase(const char* name)
{
   RapidValue& object = ValueAccess::rapid(*this);
   if (!object.IsObject())
      return false;
   auto member = findMember(object, name, std::strlen(name));
   if (member == object.MemberEnd())
      return false;
   object.EraseMember(member);
   return true;
}

bool Object::erase(const std::string& name)
{
   return erase(name.c_str());
}

Object::Iterator Object::erase(Iterator position)
{
   RapidValue& object = ValueAccess::rapid(*this);
   if (object.IsObject() && position.index_ >= 0 && position.index_ < object.MemberCount())
      object.EraseMember(object.MemberBegin() + position.index_);
   return Iterator(this, position.index_);
}

Object::Iterator Object::find(const char* name) const
{
   RapidValue& object = ValueAccess::rapid(*this);
   if (!object.IsObject())
      return end();
   auto member = findMember(object, name, std::strlen(name));
   return Iterator(this, member - object.MemberBegin());
}

Object::Iterator Object::find(const std::string& name) const
{
   return find(name.c_str());
}

unsigned Object::getSize() const
{
   const RapidValue& object = ValueAccess::rapid(*this);
   return object.IsObject() ? object.MemberCount() : 0;
}

bool Object::hasMember(const char* name) const
{
   RapidValue& object = ValueAccess::rapid(*this);
   return object.IsObject() && findMember(object, name, std::strlen(name)) != object.MemberEnd();
}

bool Object::hasMember(const std::string& name) const
{
   return hasMember(name.c_str());
}

void Object::insert(const std::string& name, const Value& value)
{
   // Copied first: adding the member may move the storage the value lives in.
   Value copy(value);
   (*this)[name] = std::move(copy);
}

void Object::insert(const Member& member)
{
   insert(member.getName(), member.getValue());
}

bool Object::isEmpty() const
{
   return getSize() == 0;
}

Object& Object::operator=(const Object& other)
{
   Value::operator=(other);
   return *this;
}

Object& Object::operator=(Object&& other) noexcept
{
   Value::operator=(std::move(other));
   return *this;
}

Value Object::operator[](const char* name)
{
   RapidValue& object = ValueAccess::rapid(*this);
   if (!object.IsObject())
      return Value();
   std::size_t length = std::strlen(name);
   auto member = findMember(object, name, length);
   if (member == object.MemberEnd())
   {
      RapidValue key(name, static_cast<rapidjson::SizeType>(length), sharedAllocator());
      RapidValue null;
      object.AddMember(key, null, sharedAllocator());
      member = object.MemberEnd() - 1;
   }
   auto index = static_cast<rapidjson::SizeType>(member - object.MemberBegin());
   return ValueAccess::memberView(*this, index);
}

Value Object::operator[](const std::string& name)
{
   return (*this)[name.c_str()];
}

Object::ReverseIterator Object::rbegin() const
{
   return ReverseIterator(end());
}

Object::ReverseIterator Object::rend() const
{
   return ReverseIterator(begin());
}

Object::Member::Member() = default;

Object::Member::Member(std::shared_ptr<Impl> impl) : impl_(std::move(impl))
{
}

const std::string& Object::Member::getName() const
{
   return impl_ ? impl_->name : emptyName();
}

Value Object::Member::getValue() const
{
   if (!impl_)
      return Value();
   return ValueAccess::memberValue(impl_);
}

namespace {

// The iterator has checked the index against the container's size.
Value elementAt(const Array& array, std::int64_t index)
{
   return ValueAccess::elementView(array, static_cast<rapidjson::SizeType>(index));
}

Object::Member elementAt(const Object& object, std::int64_t index)
{
   return ValueAccess::member(object, static_cast<rapidjson::SizeType>(index));
}

} // namespace

namespace detail {

template <typename Container, typename Element>
IndexIterator<Container, Element>::IndexIterator() : container_(nullptr), index_(0)
{
}

template <typename Container, typename Element>
IndexIterator<Container, Element>::IndexIterator(const Container* container, std::int64_t index) :
   container_(container),
   index_(index)
{
}

template <typename Container, typename Element>
Element IndexIterator<Container, Element>::operator*() const
{
   if (container_ == nullptr || index_ < 0 || index_ >= container_->getSize())
      return Element();
   return elementAt(*container_, index_);
}

template <typename Container, typename Element>
IndexIterator<Container, Element>& IndexIterator<Container, Element>::operator++()
{
   if (container_ != nullptr && index_ < container_->getSize())
      ++index_;
   return *this;
}

template <typename Container, typename Element>
IndexIterator<Container, Element> IndexIterator<Container, Element>::operator++(int)
{
   IndexIterator previous = *this;
   ++*this;
   return previous;
}

template <typename Container, typename Element>
IndexIterator<Container, Element>& IndexIterator<Container, Element>::operator--()
{
   if (index_ > 0)
      --index_;
   return *this;
}

template <typename Container, typename Element>
IndexIterator<Container, Element> IndexIterator<Container, Element>::operator--(int)
{
   IndexIterator previous = *this;
   --*this;
   return previous;
}

template class IndexIterator<Array, Value>;
template class IndexIterator<Object, Object::Member>;

} // namespace detail

} // namespace velorin::core::json
