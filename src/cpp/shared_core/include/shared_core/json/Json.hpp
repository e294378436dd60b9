// Json.hpp: the JSON model: values, arrays, objects, their text, schemas and pointers.
//
//   json::Value value;
//   Error error = value.parse(R"({"name": "demo", "ports": [80, 443]})");
//   json::Object object = value.getObject();
//   object["ports"].getArray().push_back(json::Value(8080));
//   std::string text = value.write(); // {"name":"demo","ports":[80,443,8080]}
//
// A Value is a handle on a JSON value that lives in a reference-counted document.
// Copying a handle copies the content deeply; element and member access, iteration
// and getArray/getObject give views that share the document (and keep it alive).
// Moving a Value, or move-assigning from a handle that heads its document, takes the
// content and leaves the source null; assigning from an element or member view copies,
// so `o["c"] = o["a"]` leaves "a" as it was. Every document allocates through one
// stateless C-heap allocator, so content moves between documents without copying.
//
// Values that share one document are used by one thread at a time.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include <boost/system/error_code.hpp>

#include <shared_core/Error.hpp>

namespace velorin::core::json {

enum class Type
{
   Array = 0,
   Boolean = 1,
   Integer = 2,
   Object = 3,
   String = 4,
   Real = 5,
   Null = 6,
   Unknown = 7
};

// "<Array>", "<Boolean>", ... ; "<Unknown>" for anything outside the enumeration.
std::string typeAsString(Type type);
std::ostream& operator<<(std::ostream& os, Type type);

class Array;
class Object;
struct ValueAccess;

class Value
{
public:
   // Each constructor makes the root of a new document.
   Value();
   Value(const Value& other);
   // Takes the content bitwise; other stays a valid handle of null.
   Value(Value&& other) noexcept;
   // Strings are copied up to their first NUL.
   Value(const std::string& value);
   Value(const char* value);
   Value(int value);
   Value(unsigned value);
   Value(std::int64_t value);
   Value(std::uint64_t value);
   Value(float value);
   Value(double value);
   Value(bool value);
   // Inline, as are the handle constructor and the iterators' comparisons: iteration
   // makes and drops a view at every step, and the calls cost more than the work.
   virtual ~Value() = default;

   // Assignments change the value in place, visibly through every handle of it.
   Value& operator=(const Value& other);
   Value& operator=(Value&& other) noexcept;
   Value& operator=(int value);
   Value& operator=(unsigned value);
   Value& operator=(std::int64_t value);
   Value& operator=(std::uint64_t value);
   Value& operator=(float value);
   Value& operator=(double value);
   Value& operator=(bool value);
   Value& operator=(const std::string& value);
   Value& operator=(const char* value);

   // True when both handles refer to the same value of the same document.
   bool operator==(const Value& other) const;

   Type getType() const;
   bool isArray() const;
   bool isBool() const;
   bool isDouble() const;
   bool isFloat() const;
   bool isInt() const;
   bool isInt64() const;
   bool isNull() const;
   bool isObject() const;
   bool isString() const;
   bool isUInt() const;
   bool isUInt64() const;

   // getString applies to strings, getDouble/getFloat to numbers and the integer
   // getters to integers (the 32-bit ones give the low 32 bits); other kinds give
   // an empty or zero result. getBool is true only for the literal true.
   bool getBool() const;
   double getDouble() const;
   float getFloat() const;
   int getInt() const;
   std::int64_t getInt64() const;
   std::string getString() const;
   unsigned getUInt() const;
   std::uint64_t getUInt64() const;

   // Handles that share this very value (no copy, no kind check).
   Array getArray() const;
   Object getObject() const;

   // int, unsigned, int64_t, uint64_t, float, double, bool, std::string, Array and
   // Object (deep copies), const char* (the stored characters, valid while the value
   // is unchanged).
   template <typename T>
   T getAs() const;

   // Not null and of the kind T maps to: int, std::string, Object, Array.
   template <typename T>
   bool holds() const;

   Value clone() const;

   // Parses into this value; on failure the value keeps its content. Text nested
   // deeper than 1000 arrays and objects is refused with code 16.
   Error parse(const char* text);
   Error parse(const std::string& text);

   // Compact text; formatted text indents by four spaces.
   std::string write() const;
   void write(std::ostream& os) const;
   std::string writeFormatted() const;
   void writeFormatted(std::ostream& os) const;

   // Schema text that does not parse gives the parser's code and "offset"; a schema
   // that RapidJSON cannot compile or apply safely (a sub-schema that is not an
   // object, a reference that loops, leads nowhere or names no schema of the
   // document, a pattern it cannot compile or that repeats what can match nothing or
   // would take more than 100000 states, an "additionalProperties" schema beside
   // "patternProperties" and an "allOf" that is not an array, a "dependencies" object
   // that gives one name two arrays anywhere in the text) is refused with code 3,
   // with the "pattern", "reference" or "keyword" concerned as a property. References
   // are resolved through "id" (RFC 3986); nothing is fetched.
   // Compiled schemas are kept, a bounded number for the whole process, for later
   // calls with the same text.
   Error validate(const std::string& schema) const;
   // The value keeps the parsed text even when it then fails validation.
   Error parseAndValidate(const std::string& text, const std::string& schema);
   // Removes what the schema rejects, appending the path of each removal.
   Error coerce(const std::string& schema, std::vector<std::string>& invalidPaths);
   // Stores a deep copy of value at the JSON Pointer path, creating what is missing.
   // A result nested deeper than parse accepts (1000 arrays and objects, counted from
   // the document's root) is refused with "json-pointer-parse" code 16, the code parse
   // gives such text; padding an array with more nulls than memory allows gives system
   // error 8. Both carry the "path" and leave the value unchanged.
   Error setValueAtPointerPath(const std::string& path, const Value& value);

protected:
   struct Impl;

   explicit Value(std::shared_ptr<Impl> impl) noexcept : impl_(std::move(impl)) {}

   std::shared_ptr<Impl> impl_;

private:
   friend struct ValueAccess;
};

namespace detail {

// A bidirectional iterator that holds its container and an index and looks the
// element up when dereferenced; it stops at either end instead of running past.
template <typename Container, typename Element>
class IndexIterator
{
public:
   using iterator_category = std::bidirectional_iterator_tag;
   using value_type = Element;
   using difference_type = std::ptrdiff_t;
   using pointer = void;
   using reference = Element;

   IndexIterator();
   IndexIterator(const Container* container, std::int64_t index);

   // The element at the index; the empty element at or past the end.
   Element operator*() const;
   IndexIterator& operator++();
   IndexIterator operator++(int);
   IndexIterator& operator--();
   IndexIterator operator--(int);
   bool operator==(const IndexIterator& other) const
   {
      return container_ == other.container_ && index_ == other.index_;
   }
   bool operator!=(const IndexIterator& other) const { return !(*this == other); }

private:
   friend Container;

   const Container* container_;
   std::int64_t index_;
};

} // namespace detail

class Array : public Value
{
public:
   // Dereferences to a view of the element; null in a new document at or past the end.
   using Iterator = detail::IndexIterator<Array, Value>;

   using ReverseIterator = std::reverse_iterator<Iterator>;

   Array();
   // Both copy deeply; the source of the move is left unchanged.
   Array(const Array& other);
   Array(Array&& other);
   // The pairs as texts "key=value", with "=" inside keys and values written "\=".
   explicit Array(const std::vector<std::pair<std::string, std::string>>& pairs);
   template <typename T, typename = std::enable_if_t<std::is_base_of<Value, T>::value>>
   explicit Array(const std::vector<T>& values);
   template <typename T, typename = std::enable_if_t<std::is_base_of<Value, T>::value>>
   explicit Array(const std::set<T>& values);
   ~Array() override;

   using Value::operator=;
   Array& operator=(const Array& other);
   Array& operator=(Array&& other) noexcept;

   Value operator[](unsigned index) const;
   Value getValueAt(unsigned index) const;
   Value getFront() const;
   Value getBack() const;
   unsigned getSize() const;
   bool isEmpty() const;

   // Appends a deep copy (an element of this array may be appended).
   void push_back(const Value& value);
   Iterator erase(Iterator position);
   Iterator erase(Iterator first, Iterator last);
   void clear();

   Iterator begin() const;
   Iterator end() const;
   ReverseIterator rbegin() const;
   ReverseIterator rend() const;

   // String elements split at their first unescaped "="; other elements skipped.
   std::vector<std::pair<std::string, std::string>> toStringPairList() const;
   // False at the first element of the wrong kind; what was added before it stays.
   bool toSetString(std::set<std::string>* out) const;
   bool toVectorString(std::vector<std::string>* out) const;
   // Integers that fit an int.
   bool toVectorInt(std::vector<int>* out) const;

private:
   friend struct ValueAccess;

   explicit Array(std::shared_ptr<Impl> impl);
};

class Object : public Value
{
public:
   // A member's name and a view of its value; the empty Member stands for no member.
   class Member
   {
   public:
      Member();

      const std::string& getName() const;
      Value getValue() const;

   private:
      friend struct ValueAccess;
      struct Impl;

      explicit Member(std::shared_ptr<Impl> impl);

      std::shared_ptr<Impl> impl_;
   };

   // Dereferences to the member at the index; the empty Member at or past the end.
   using Iterator = detail::IndexIterator<Object, Member>;

   using ReverseIterator = std::reverse_iterator<Iterator>;

   Object();
   // Both copy deeply; the source of the move is left unchanged.
   Object(const Object& other);
   Object(Object&& other);
   // One string member per pair; a repeated key keeps its place and takes the last value.
   explicit Object(const std::vector<std::pair<std::string, std::string>>& pairs);
   ~Object() override;

   using Value::operator=;
   Object& operator=(const Object& other);
   Object& operator=(Object&& other) noexcept;

   // A view of the first member of that name, appended as null when missing.
   Value operator[](const char* name);
   Value operator[](const std::string& name);
   Iterator find(const char* name) const;
   Iterator find(const std::string& name) const;
   bool hasMember(const char* name) const;
   bool hasMember(const std::string& name) const;
   void insert(const std::string& name, const Value& value);
   void insert(const Member& member);
   bool erase(const char* name);
   bool erase(const std::string& name);
   Iterator erase(Iterator position);
   void clear();
   unsigned getSize() const;
   bool isEmpty() const;

   Iterator begin() const;
   Iterator end() const;
   ReverseIterator rbegin() const;
   ReverseIterator rend() const;

   // The "default" values that a schema of type "object" declares, by property.
   static Error getSchemaDefaults(const std::string& schema, Object& defaults);
   // The recursive step: moves the defaults out of the schema.
   static Object getPropertyDefaults(Object schema);
   // Base's members with overlay's on top, nested objects merged.
   static Object merge(const Object& base, const Object& overlay);

   std::vector<std::pair<std::string, std::string>> toStringPairList() const;
   // Each member an array of strings; false at the first member that is not.
   bool toStringMap(std::map<std::string, std::vector<std::string>>* out) const;

private:
   friend struct ValueAccess;

   explicit Object(std::shared_ptr<Impl> impl);
};

// The kind a parameter type stands for: String for std::string, a handle's own kind.
template <typename T>
Type asJsonType(const T& value)
{
   if constexpr (std::is_base_of<Value, T>::value)
   {
      return value.getType();
   }
   else
   {
      static_assert(std::is_same<T, std::string>::value, "asJsonType takes a std::string or a Value");
      return Type::String;
   }
}

// "json-parse": RapidJSON's parse error codes and English texts.
class JsonParseErrorCategory : public boost::system::error_category
{
public:
   const char* name() const noexcept override;
   std::string message(int code) const override;
};

// "json-pointer-parse": RapidJSON's JSON Pointer parse error codes.
class JsonPointerParseErrorCategory : public boost::system::error_category
{
public:
   const char* name() const noexcept override;
   std::string message(int code) const override;
};

const boost::system::error_category& jsonParseCategory();
const boost::system::error_category& jsonPointerParseCategory();

template <typename T, typename>
Array::Array(const std::vector<T>& values) : Array()
{
   for (const T& value : values)
      push_back(value);
}

template <typename T, typename>
Array::Array(const std::set<T>& values) : Array()
{
   for (const T& value : values)
      push_back(value);
}

template <> int Value::getAs<int>() const;
template <> unsigned Value::getAs<unsigned>() const;
template <> std::int64_t Value::getAs<std::int64_t>() const;
template <> std::uint64_t Value::getAs<std::uint64_t>() const;
template <> float Value::getAs<float>() const;
template <> double Value::getAs<double>() const;
template <> bool Value::getAs<bool>() const;
template <> std::string Value::getAs<std::string>() const;
template <> Array Value::getAs<Array>() const;
template <> Object Value::getAs<Object>() const;
template <> const char* Value::getAs<const char*>() const;

template <> bool Value::holds<int>() const;
template <> bool Value::holds<std::string>() const;
template <> bool Value::holds<Object>() const;
template <> bool Value::holds<Array>() const;

} // namespace velorin::core::json
