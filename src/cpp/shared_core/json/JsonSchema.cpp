// JsonSchema.cpp: schema validation and coercion, schema defaults and object merging.
//
// Schemas are compiled by RapidJSON for each call and applied with its validator,
// which stops at the first failure and reports where it is in the schema and in the
// value; those locations are passed on as RapidJSON writes them.
#include <shared_core/json/Json.hpp>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <rapidjson/pointer.h>
#include <rapidjson/schema.h>
#include <rapidjson/stringbuffer.h>

#include "JsonImpl.hpp"
#include "JsonParse.hpp"

namespace velorin::core::json {
namespace {

constexpr int kValidationFailed = rapidjson::kParseErrorUnspecificSyntaxError;
constexpr int kInvalidSchema = rapidjson::kParseErrorValueInvalid;

// The schema text, parsed into a pool-allocated document and compiled.
struct CompiledSchema
{
   rapidjson::Document document;
   std::unique_ptr<rapidjson::SchemaDocument> schema;
};

// The value of the first member of that name, as RapidJSON's schema reads keywords.
const rapidjson::Value* keywordValue(const rapidjson::Value& object, const char* name)
{
   auto member = object.FindMember(name);
   return member == object.MemberEnd() ? nullptr : &member->value;
}

// Follows local "$ref"s from object as RapidJSON resolves them, recursing while the
// target is itself a reference. Gives the schema object reached, or null when that
// leads nowhere; false when it leads to a value that is not an object or back to a
// reference already followed, which RapidJSON cannot compile at all.
bool resolveReferences(const rapidjson::Value& object,
                       const rapidjson::Value& document,
                       const rapidjson::Value*& schema)
{
   std::vector<const rapidjson::Value*> followed{&object};
   schema = &object;
   for (;;)
   {
      const rapidjson::Value* reference = keywordValue(*schema, "$ref");
      if (reference == nullptr || !reference->IsString() || reference->GetStringLength() == 0 ||
          reference->GetString()[0] != '#')
         return true;
      rapidjson::GenericPointer<rapidjson::Value> pointer(reference->GetString(),
                                                          reference->GetStringLength());
      if (!pointer.IsValid())
         return true;
      schema = pointer.Get(document);
      if (schema == nullptr)
         return true;
      if (!schema->IsObject() || std::find(followed.begin(), followed.end(), schema) != followed.end())
         return false;
      followed.push_back(schema);
   }
}

// RapidJSON's regular expressions recurse without end when "*", "+" or "{n,}" repeats
// a part that can match nothing ("a**", "(a?)+"), read outside their operand stack on
// an empty branch or group ("(|a)", "()"), a repetition of nothing or a "(" left
// open, and copy a part once per count of "{n,m}", so that nested counts take
// unbounded time and memory. Reads a pattern in RapidJSON's syntax (up to its first
// NUL) for those, counting the states RapidJSON would make.
class PatternCheck
{
public:
   explicit PatternCheck(const char* pattern) : next_(pattern) {}

   bool isSafe()
   {
      bool canMatchNothing;
      std::uint64_t states;
      return alternatives(canMatchNothing, states);
   }

private:
   static constexpr std::uint64_t kMaxStates = 100000;

   bool alternatives(bool& canMatchNothing, std::uint64_t& states)
   {
      canMatchNothing = false;
      states = 0;
      bool alternation = false;
      for (;;)
      {
         bool branchCanMatchNothing = true;
         unsigned atoms = 0;
         while (*next_ != '\0' && *next_ != '|' && *next_ != ')')
         {
            if (*next_ == '^' || *next_ == '$')
            {
               // Anchors are flags, not operands: a repetition after one repeats
               // whatever came before, or nothing.
               if (std::strchr("?*+{", *++next_) != nullptr && *next_ != '\0')
                  return false;
               continue;
            }
            bool atomCanMatchNothing;
            std::uint64_t atomStates;
            if (!atom(atomCanMatchNothing, atomStates) || !quantifiers(atomCanMatchNothing, atomStates))
               return false;
            branchCanMatchNothing = branchCanMatchNothing && atomCanMatchNothing;
            states += atomStates;
            if (states > kMaxStates)
               return false;
            ++atoms;
         }
         // RapidJSON's operand stack runs short on an empty branch or group.
         if (atoms == 0 && (alternation || *next_ == '|' || depth_ > 0))
            return false;
         canMatchNothing = canMatchNothing || branchCanMatchNothing;
         if (*next_ != '|')
            return true;
         alternation = true;
         ++states;
         ++next_;
      }
   }

   bool atom(bool& canMatchNothing, std::uint64_t& states)
   {
      canMatchNothing = false;
      states = 1;
      char c = *next_++;
      switch (c)
      {
         case '(':
            // Groups nest no deeper than JSON text does, which keeps this reading's
            // recursion bounded.
            if (++depth_ > kMaxNestingDepth || !alternatives(canMatchNothing, states) || *next_ != ')')
               return false;
            --depth_;
            ++next_;
            return true;
         case '[':
            while (*next_ != '\0' && *next_ != ']')
            {
               if (*next_ == '\\' && next_[1] != '\0')
                  ++next_;
               ++next_;
            }
            if (*next_ == ']')
               ++next_;
            return true;
         case '\\':
            if (*next_ != '\0')
               ++next_;
            return true;
         case '?':
         case '*':
         case '+':
         case '{':
            // A repetition of nothing in particular: RapidJSON applies it to whatever
            // it parsed last.
            return false;
         default:
            return true;
      }
   }

   // A count of "{n,m}", saturated past the state limit; false when there is none.
   static bool readCount(const char*& text, std::uint64_t& count)
   {
      if (*text < '0' || *text > '9')
         return false;
      count = 0;
      for (; *text >= '0' && *text <= '9'; ++text)
         count = std::min(count * 10 + static_cast<std::uint64_t>(*text - '0'), kMaxStates + 1);
      return true;
   }

   bool quantifiers(bool& canMatchNothing, std::uint64_t& states)
   {
      for (;; ++next_)
      {
         switch (*next_)
         {
            case '?':
               canMatchNothing = true;
               ++states;
               break;
            case '*':
               if (canMatchNothing)
                  return false;
               canMatchNothing = true;
               ++states;
               break;
            case '+':
               if (canMatchNothing)
                  return false;
               ++states;
               break;
            case '{':
            {
               // Whatever RapidJSON does not read as a count makes it refuse the
               // pattern, so reading stops there.
               const char* text = next_ + 1;
               std::uint64_t low;
               std::uint64_t high;
               if (!readCount(text, low))
                  return true;
               bool unbounded = false;
               if (*text == ',')
               {
                  ++text;
                  if (*text == '}')
                     unbounded = true;
                  else if (!readCount(text, high))
                     return true;
               }
               else
               {
                  high = low;
               }
               if (*text != '}')
                  return true;
               if (unbounded && canMatchNothing)
                  return false;
               canMatchNothing = canMatchNothing || low == 0;
               states *= std::max<std::uint64_t>(unbounded ? low + 1 : high, 1);
               if (states > kMaxStates)
                  return false;
               next_ = text;
               break;
            }
            default:
               return true;
         }
      }
   }

   const char* next_;
   unsigned depth_ = 0;
};

// RapidJSON compiles every object of a schema document as a schema, used or not, and
// trusts its shape: "patternProperties" that is not an object, a dependency list
// holding a non-name, a pattern its regular expressions cannot take, or a reference
// that leads to a non-object or round in a loop breaks the compiler. In the schemas a
// validation applies, a sub-schema that is not an object or a reference that leads
// nowhere becomes a null schema, a name given two dependency schemas an unmade
// validator, and a schema that applies itself again to the same value (through
// allOf, anyOf, oneOf, not or a dependency) an endless recursion.
class SchemaShapeCheck
{
public:
   explicit SchemaShapeCheck(const rapidjson::Value& document) : document_(document) {}

   // A root that is not an object is RapidJSON's typeless schema.
   bool isSafe() { return compilesSafely(document_) && (!document_.IsObject() || appliesSafely(document_)); }

private:
   bool compilesSafely(const rapidjson::Value& value)
   {
      if (value.IsArray())
      {
         for (const rapidjson::Value& element : value.GetArray())
         {
            if (!compilesSafely(element))
               return false;
         }
         return true;
      }
      if (!value.IsObject())
         return true;

      const rapidjson::Value* schema;
      if (!resolveReferences(value, document_, schema))
         return false;
      if (const rapidjson::Value* pattern = keywordValue(value, "pattern");
          pattern && pattern->IsString() && !PatternCheck(pattern->GetString()).isSafe())
         return false;
      if (const rapidjson::Value* patterns = keywordValue(value, "patternProperties"))
      {
         if (!patterns->IsObject())
            return false;
         for (const auto& pattern : patterns->GetObject())
         {
            if (!PatternCheck(pattern.name.GetString()).isSafe())
               return false;
         }
      }
      if (const rapidjson::Value* dependencies = keywordValue(value, "dependencies");
          dependencies && dependencies->IsObject())
      {
         for (const auto& dependency : dependencies->GetObject())
         {
            if (dependency.value.IsArray())
            {
               for (const rapidjson::Value& name : dependency.value.GetArray())
               {
                  if (!name.IsString())
                     return false;
               }
            }
         }
      }
      for (const auto& member : value.GetObject())
      {
         if (!compilesSafely(member.value))
            return false;
      }
      return true;
   }

   // position: a value that the validator applies as a schema.
   bool appliesSafely(const rapidjson::Value& position)
   {
      const rapidjson::Value* schema = nullptr;
      if (!position.IsObject() || !resolveReferences(position, document_, schema) || schema == nullptr)
         return false;
      if (!applied_.insert(schema).second)
         return true;
      if (!terminatesOnOneValue(*schema))
         return false;

      std::vector<const rapidjson::Value*> subschemas;
      for (const char* name : {"allOf", "anyOf", "oneOf", "items"})
      {
         const rapidjson::Value* list = keywordValue(*schema, name);
         if (list && list->IsArray())
         {
            for (const rapidjson::Value& element : list->GetArray())
               subschemas.push_back(&element);
         }
      }
      if (const rapidjson::Value* negated = keywordValue(*schema, "not"))
         subschemas.push_back(negated);
      for (const char* name : {"items", "additionalItems", "additionalProperties"})
      {
         const rapidjson::Value* sub = keywordValue(*schema, name);
         if (sub && sub->IsObject())
            subschemas.push_back(sub);
      }
      if (const rapidjson::Value* properties = keywordValue(*schema, "properties");
          properties && properties->IsObject())
      {
         for (const auto& property : properties->GetObject())
         {
            // A property schema that is not an object stays typeless.
            if (property.value.IsObject())
               subschemas.push_back(&property.value);
         }
      }
      if (const rapidjson::Value* patterns = keywordValue(*schema, "patternProperties");
          patterns && patterns->IsObject())
      {
         for (const auto& pattern : patterns->GetObject())
            subschemas.push_back(&pattern.value);
      }
      if (const rapidjson::Value* dependencies = keywordValue(*schema, "dependencies");
          dependencies && dependencies->IsObject())
      {
         std::set<std::string> withSchemas;
         for (const auto& dependency : dependencies->GetObject())
         {
            if (!dependency.value.IsObject())
               continue;
            if (!withSchemas.emplace(dependency.name.GetString(), dependency.name.GetStringLength()).second)
               return false;
            subschemas.push_back(&dependency.value);
         }
      }
      for (const rapidjson::Value* sub : subschemas)
      {
         if (!appliesSafely(*sub))
            return false;
      }
      return true;
   }

   // The sub-schemas that get a validator of their own on the value their parent
   // begins must not lead back to a schema on the way there.
   bool terminatesOnOneValue(const rapidjson::Value& schema)
   {
      auto [state, first] = onOneValue_.emplace(&schema, false);
      if (!first)
         return state->second;
      std::vector<const rapidjson::Value*> applied;
      for (const char* name : {"allOf", "anyOf", "oneOf"})
      {
         const rapidjson::Value* schemas = keywordValue(schema, name);
         if (schemas && schemas->IsArray())
         {
            for (const rapidjson::Value& element : schemas->GetArray())
               applied.push_back(&element);
         }
      }
      if (const rapidjson::Value* negated = keywordValue(schema, "not"))
         applied.push_back(negated);
      if (const rapidjson::Value* dependencies = keywordValue(schema, "dependencies");
          dependencies && dependencies->IsObject())
      {
         for (const auto& dependency : dependencies->GetObject())
         {
            if (dependency.value.IsObject())
               applied.push_back(&dependency.value);
         }
      }
      for (const rapidjson::Value* sub : applied)
      {
         const rapidjson::Value* target = nullptr;
         if (!sub->IsObject() || !resolveReferences(*sub, document_, target) || target == nullptr ||
             !terminatesOnOneValue(*target))
            return false;
      }
      state->second = true;
      return true;
   }

   const rapidjson::Value& document_;
   // Schemas the validation may apply, already looked at.
   std::set<const rapidjson::Value*> applied_;
   // Schemas being followed (false) or known to end (true) on one value.
   std::map<const rapidjson::Value*, bool> onOneValue_;
};

Error loadSchema(const std::string& text, CompiledSchema& compiled, const ErrorLocation& location)
{
   rapidjson::ParseResult result = parseText(text.c_str(), compiled.document);
   if (result.IsError())
   {
      Error error(boost::system::error_code(result.Code(), jsonParseCategory()), location);
      error.addProperty("offset", std::to_string(result.Offset()));
      return error;
   }
   if (!SchemaShapeCheck(compiled.document).isSafe())
      return Error(boost::system::error_code(kInvalidSchema, jsonParseCategory()), location);
   compiled.schema = std::make_unique<rapidjson::SchemaDocument>(compiled.document);
   return Success();
}

template <typename Pointer>
std::string plainText(const Pointer& pointer)
{
   rapidjson::StringBuffer buffer;
   pointer.Stringify(buffer);
   return std::string(buffer.GetString(), buffer.GetSize());
}

// Strict UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing past U+10FFFF.
bool isValidUtf8(const char* text, std::size_t length)
{
   const auto* bytes = reinterpret_cast<const unsigned char*>(text);
   std::size_t i = 0;
   while (i < length)
   {
      unsigned char lead = bytes[i];
      std::size_t count;
      unsigned char low = 0x80;
      unsigned char high = 0xBF;
      if (lead < 0x80)
         count = 0;
      else if (lead >= 0xC2 && lead <= 0xDF)
         count = 1;
      else if (lead >= 0xE0 && lead <= 0xEF)
      {
         count = 2;
         low = lead == 0xE0 ? 0xA0 : 0x80;
         high = lead == 0xED ? 0x9F : 0xBF;
      }
      else if (lead >= 0xF0 && lead <= 0xF4)
      {
         count = 3;
         low = lead == 0xF0 ? 0x90 : 0x80;
         high = lead == 0xF4 ? 0x8F : 0xBF;
      }
      else
         return false;
      if (length - i - 1 < count)
         return false;
      for (std::size_t k = 1; k <= count; ++k)
      {
         unsigned char next = bytes[i + k];
         if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
            return false;
      }
      i += count + 1;
   }
   return true;
}

// Hands the value to the validator. RapidJSON's "pattern", length and property-name
// checks decode strings as UTF-8 and read up to three bytes past the end of one that
// stops inside a sequence; such strings are handed over from a padded copy.
class ValidatorFeed
{
public:
   explicit ValidatorFeed(rapidjson::SchemaValidator& validator) : validator_(validator) {}

   bool Null() { return validator_.Null(); }
   bool Bool(bool b) { return validator_.Bool(b); }
   bool Int(int i) { return validator_.Int(i); }
   bool Uint(unsigned u) { return validator_.Uint(u); }
   bool Int64(int64_t i) { return validator_.Int64(i); }
   bool Uint64(uint64_t u) { return validator_.Uint64(u); }
   bool Double(double d) { return validator_.Double(d); }
   bool RawNumber(const char* str, rapidjson::SizeType length, bool copy)
   {
      return validator_.RawNumber(str, length, copy);
   }
   bool String(const char* str, rapidjson::SizeType length, bool copy)
   {
      if (isValidUtf8(str, length))
         return validator_.String(str, length, copy);
      return validator_.String(padded(str, length), length, true);
   }
   bool Key(const char* str, rapidjson::SizeType length, bool copy)
   {
      if (isValidUtf8(str, length))
         return validator_.Key(str, length, copy);
      return validator_.Key(padded(str, length), length, true);
   }
   bool StartObject() { return validator_.StartObject(); }
   bool EndObject(rapidjson::SizeType count) { return validator_.EndObject(count); }
   bool StartArray() { return validator_.StartArray(); }
   bool EndArray(rapidjson::SizeType count) { return validator_.EndArray(count); }

private:
   const char* padded(const char* str, rapidjson::SizeType length)
   {
      scratch_.assign(str, length);
      scratch_.append(4, '\0');
      return scratch_.data();
   }

   rapidjson::SchemaValidator& validator_;
   std::string scratch_;
};

void runValidator(const RapidValue& value, rapidjson::SchemaValidator& validator)
{
   ValidatorFeed feed(validator);
   value.Accept(feed);
}

// The URI-fragment form as RapidJSON writes it. RapidJSON reads past the end of a
// token that is not valid UTF-8, so such pointers are written here, byte by byte,
// with the same escapes and percent-encoding.
template <typename Pointer>
std::string uriFragmentText(const Pointer& pointer)
{
   const auto* tokens = pointer.GetTokens();
   bool validUtf8 = true;
   for (std::size_t i = 0; i < pointer.GetTokenCount() && validUtf8; ++i)
      validUtf8 = isValidUtf8(tokens[i].name, tokens[i].length);
   if (validUtf8)
   {
      rapidjson::StringBuffer buffer;
      pointer.StringifyUriFragment(buffer);
      return std::string(buffer.GetString(), buffer.GetSize());
   }

   static const char kHexDigits[] = "0123456789ABCDEF";
   std::string text = "#";
   for (std::size_t i = 0; i < pointer.GetTokenCount(); ++i)
   {
      text += '/';
      for (std::size_t j = 0; j < tokens[i].length; ++j)
      {
         unsigned char c = static_cast<unsigned char>(tokens[i].name[j]);
         if (c == '~')
            text += "~0";
         else if (c == '/')
            text += "~1";
         else if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                  c == '-' || c == '.' || c == '_')
            text += static_cast<char>(c);
         else
         {
            text += '%';
            text += kHexDigits[c >> 4];
            text += kHexDigits[c & 0x0F];
         }
      }
   }
   return text;
}

std::string invalidKeyword(const rapidjson::SchemaValidator& validator)
{
   const char* keyword = validator.GetInvalidSchemaKeyword();
   return keyword == nullptr ? std::string() : std::string(keyword);
}

// Removes the value at the location; false when the location leads nowhere.
template <typename Pointer>
bool removeAt(RapidValue& root, const Pointer& location)
{
   std::size_t count = location.GetTokenCount();
   if (count == 0)
      return false;
   const auto* tokens = location.GetTokens();
   RapidValue* current = &root;
   for (std::size_t i = 0; i + 1 < count; ++i)
   {
      const auto& token = tokens[i];
      if (current->IsObject())
      {
         auto member = findMember(*current, token.name, token.length);
         if (member == current->MemberEnd())
            return false;
         current = &member->value;
      }
      else if (current->IsArray() && token.index != rapidjson::kPointerInvalidIndex &&
               token.index < current->Size())
      {
         current = &(*current)[token.index];
      }
      else
      {
         return false;
      }
   }
   const auto& last = tokens[count - 1];
   if (current->IsObject())
   {
      auto member = findMember(*current, last.name, last.length);
      if (member == current->MemberEnd())
         return false;
      current->EraseMember(member);
      return true;
   }
   if (current->IsArray() && last.index != rapidjson::kPointerInvalidIndex && last.index < current->Size())
   {
      current->Erase(current->Begin() + last.index);
      return true;
   }
   return false;
}

// Stores value under name as Object::operator[] does: into the first member of that
// name, or a new one at the end.
void storeMember(RapidValue& object, const RapidValue& name, RapidValue& value)
{
   auto member = findMember(object, name.GetString(), name.GetStringLength());
   if (member == object.MemberEnd())
   {
      RapidValue key(name, sharedAllocator());
      object.AddMember(key, value, sharedAllocator());
   }
   else
   {
      moveInto(member->value, value);
   }
}

void mergeInto(RapidValue& result, RapidValue& base, RapidValue& overlay)
{
   for (auto& member : base.GetObject())
   {
      auto overlayMember = findMember(overlay, member.name.GetString(), member.name.GetStringLength());
      RapidValue merged;
      if (overlayMember == overlay.MemberEnd())
      {
         copyInto(merged, member.value);
      }
      else if (member.value.IsObject() && overlayMember->value.IsObject())
      {
         merged.SetObject();
         mergeInto(merged, member.value, overlayMember->value);
      }
      else
      {
         copyInto(merged, overlayMember->value);
      }
      storeMember(result, member.name, merged);
   }
   for (auto& member : overlay.GetObject())
   {
      if (findMember(base, member.name.GetString(), member.name.GetStringLength()) != base.MemberEnd())
         continue;
      RapidValue copy(member.value, sharedAllocator());
      storeMember(result, member.name, copy);
   }
}

} // namespace

Error Value::coerce(const std::string& schema, std::vector<std::string>& invalidPaths)
{
   CompiledSchema compiled;
   Error error = loadSchema(schema, compiled, ERROR_LOCATION);
   if (error)
      return error;

   RapidValue& value = *impl_->value;
   rapidjson::SchemaValidator validator(*compiled.schema);
   runValidator(value, validator);
   // Each pass removes the value the validator stopped at, then validates again.
   // Two neighbours can fail at the same location in turn (the second takes the
   // first's index), so only a pass that removes nothing ends the loop.
   while (!validator.IsValid())
   {
      auto location = validator.GetInvalidDocumentPointer();
      if (!removeAt(value, location))
      {
         Error failure(boost::system::error_code(kValidationFailed, jsonParseCategory()), ERROR_LOCATION);
         failure.addProperty("keyword", invalidKeyword(validator));
         failure.addProperty("document", uriFragmentText(location));
         return failure;
      }
      invalidPaths.push_back(plainText(location));
      validator.Reset();
      runValidator(value, validator);
   }
   return Success();
}

Object Object::getPropertyDefaults(Object schema)
{
   Object defaults;
   RapidValue& schemaValue = ValueAccess::rapid(schema);
   if (!schemaValue.IsObject())
      return defaults;
   auto type = findMember(schemaValue, "type", 4);
   auto properties = findMember(schemaValue, "properties", 10);
   if (type == schemaValue.MemberEnd() || !type->value.IsString() ||
       std::string(type->value.GetString(), type->value.GetStringLength()) != "object" ||
       properties == schemaValue.MemberEnd() || !properties->value.IsObject())
      return defaults;

   RapidValue& result = ValueAccess::rapid(defaults);
   for (auto& property : properties->value.GetObject())
   {
      if (!property.value.IsObject())
         continue;
      auto defaultMember = findMember(property.value, "default", 7);
      if (defaultMember != property.value.MemberEnd())
      {
         RapidValue taken;
         taken.Swap(defaultMember->value);
         storeMember(result, property.name, taken);
         continue;
      }
      Object nested = getPropertyDefaults(ValueAccess::sharedObject(ValueAccess::view(schema, property.value)));
      if (!nested.isEmpty())
         storeMember(result, property.name, ValueAccess::rapid(nested));
   }
   return defaults;
}

Error Object::getSchemaDefaults(const std::string& schema, Object& defaults)
{
   Value parsed;
   Error error = parsed.parse(schema);
   if (error)
      return error;
   if (!parsed.isObject())
      return Error(boost::system::error_code(kInvalidSchema, jsonParseCategory()), ERROR_LOCATION);
   defaults = getPropertyDefaults(parsed.getObject());
   return Success();
}

Object Object::merge(const Object& base, const Object& overlay)
{
   Object result;
   RapidValue& baseValue = ValueAccess::rapid(base);
   RapidValue& overlayValue = ValueAccess::rapid(overlay);
   if (baseValue.IsObject() && overlayValue.IsObject())
      mergeInto(ValueAccess::rapid(result), baseValue, overlayValue);
   return result;
}

Error Value::parseAndValidate(const std::string& text, const std::string& schema)
{
   Error error = parse(text);
   if (error)
      return error;
   return validate(schema);
}

Error Value::validate(const std::string& schema) const
{
   CompiledSchema compiled;
   Error error = loadSchema(schema, compiled, ERROR_LOCATION);
   if (error)
      return error;

   rapidjson::SchemaValidator validator(*compiled.schema);
   runValidator(*impl_->value, validator);
   if (validator.IsValid())
      return Success();

   Error failure(boost::system::error_code(kValidationFailed, jsonParseCategory()), ERROR_LOCATION);
   failure.addProperty("schema", uriFragmentText(validator.GetInvalidSchemaPointer()));
   failure.addProperty("keyword", invalidKeyword(validator));
   failure.addProperty("document", uriFragmentText(validator.GetInvalidDocumentPointer()));
   return failure;
}

} // namespace velorin::core::json
