// JsonSchema.cpp: schema validation and coercion, schema defaults and object merging.
//
// Schemas are compiled by RapidJSON, kept for later calls with the same text, and
// applied with its validator, which stops at the first failure and reports where it is
// in the schema and in the value; those locations are passed on as RapidJSON writes them.
#include <shared_core/json/Json.hpp>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <rapidjson/pointer.h>
#include <rapidjson/schema.h>
#include <rapidjson/stringbuffer.h>

#include "JsonImpl.hpp"
#include "JsonParse.hpp"
#include "SchemaCache.hpp"
#include "SchemaPreparation.hpp"
#include "StrictUtf8.hpp"

namespace velorin::core::json {
namespace {

constexpr int kValidationFailed = rapidjson::kParseErrorUnspecificSyntaxError;
constexpr int kInvalidSchema = rapidjson::kParseErrorValueInvalid;

// Enough for the schemas of a program and a compiled copy for each of a few threads
// that validate against the same one at once.
constexpr std::size_t kCachedSchemas = 32;

Error loadSchema(const std::string& text, CompiledSchema& compiled, const ErrorLocation& location)
{
   rapidjson::ParseResult result = parseText(text.c_str(), compiled.document);
   if (result.IsError())
   {
      Error error(boost::system::error_code(result.Code(), jsonParseCategory()), location);
      error.addProperty("offset", std::to_string(result.Offset()));
      return error;
   }
   if (std::optional<SchemaRefusal> refusal = prepareSchema(compiled.document, compiled.standIns))
   {
      Error error(boost::system::error_code(kInvalidSchema, jsonParseCategory()), location);
      if (!refusal->property.empty())
         error.addProperty(refusal->property, refusal->value);
      return error;
   }
   compiled.schema = std::make_unique<rapidjson::SchemaDocument>(compiled.document);
   return Success();
}

SchemaCache& schemaCache()
{
   static SchemaCache cache(kCachedSchemas);
   return cache;
}

// A compiled schema of a text, kept from an earlier call or compiled here, and kept
// for later calls once done with. A schema that fails to compile is not kept.
class SchemaLease
{
public:
   explicit SchemaLease(const std::string& text) : text_(text), compiled_(schemaCache().take(text)) {}
   SchemaLease(const SchemaLease&) = delete;
   SchemaLease& operator=(const SchemaLease&) = delete;

   ~SchemaLease()
   {
      if (compiled_ && compiled_->schema)
         schemaCache().giveBack(text_, std::move(compiled_));
   }

   bool isCompiled() const { return compiled_ != nullptr; }

   Error compile(const ErrorLocation& location)
   {
      compiled_ = std::make_unique<CompiledSchema>();
      return loadSchema(text_, *compiled_, location);
   }

   const CompiledSchema& operator*() const { return *compiled_; }
   const CompiledSchema* operator->() const { return compiled_.get(); }

private:
   const std::string& text_;
   std::unique_ptr<CompiledSchema> compiled_;
};

template <typename Pointer>
std::string plainText(const Pointer& pointer)
{
   rapidjson::StringBuffer buffer;
   pointer.Stringify(buffer);
   return std::string(buffer.GetString(), buffer.GetSize());
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

using SchemaPointer = rapidjson::SchemaValidator::PointerType;

// The value the first count tokens of location lead to, or null: at an object the
// first member of the token's name, at an array the element of the token's index.
template <typename Pointer>
RapidValue* walk(RapidValue& root, const Pointer& location, std::size_t count)
{
   const auto* tokens = location.GetTokens();
   RapidValue* current = &root;
   for (std::size_t i = 0; i < count; ++i)
   {
      const auto& token = tokens[i];
      if (current->IsObject())
      {
         auto member = findMember(*current, token.name, token.length);
         if (member == current->MemberEnd())
            return nullptr;
         current = &member->value;
      }
      else if (current->IsArray() && token.index != rapidjson::kPointerInvalidIndex &&
               token.index < current->Size())
      {
         current = &(*current)[token.index];
      }
      else
      {
         return nullptr;
      }
   }
   return current;
}

// Removes the value at the location; false when the location leads nowhere.
template <typename Pointer>
bool removeAt(RapidValue& root, const Pointer& location)
{
   std::size_t count = location.GetTokenCount();
   if (count == 0)
      return false;
   RapidValue* current = walk(root, location, count - 1);
   if (current == nullptr)
      return false;
   const auto& last = location.GetTokens()[count - 1];
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

// Lends the compiled document to a document that refers to one of its schemas as
// remote, which is how RapidJSON applies a schema other than the root on its own.
class CompiledAsRemote : public rapidjson::IRemoteSchemaDocumentProvider
{
public:
   explicit CompiledAsRemote(const rapidjson::SchemaDocument& compiled) : compiled_(compiled) {}

   const rapidjson::SchemaDocument* GetRemoteDocument(const char*, rapidjson::SizeType) override
   {
      return &compiled_;
   }

private:
   const rapidjson::SchemaDocument& compiled_;
};

// The name of the first member of object that fails the "additionalProperties" schema
// moved into a branch of the "allOf" of the schema at schemaLocation; none when no
// schema moved there or every member passes it, so that another branch failed. Each
// member is validated alone against that branch.
std::optional<std::string> memberFailingMovedSchema(const CompiledSchema& compiled,
                                                    const SchemaPointer& schemaLocation,
                                                    const RapidValue& object)
{
   const rapidjson::Value* schema = schemaLocation.Get(compiled.document);
   if (schema == nullptr || !schema->IsObject() || !object.IsObject())
      return std::nullopt;
   auto allOf = schema->FindMember("allOf");
   if (allOf == schema->MemberEnd() || !allOf->value.IsArray() || allOf->value.Empty())
      return std::nullopt;
   const rapidjson::Value& branch = allOf->value[allOf->value.Size() - 1];
   if (!branch.IsObject())
      return std::nullopt;
   const auto& moved = compiled.standIns.movedAdditional;
   auto additional = branch.FindMember("additionalProperties");
   if (additional == branch.MemberEnd() || std::find(moved.begin(), moved.end(), &additional->value) == moved.end())
      return std::nullopt;

   SchemaPointer branchLocation = schemaLocation.Append("allOf", 5).Append(allOf->value.Size() - 1);
   for (std::size_t i = 0; i < branchLocation.GetTokenCount(); ++i)
   {
      // RapidJSON reads back no pointer text that is not UTF-8.
      if (!isValidUtf8(branchLocation.GetTokens()[i].name, branchLocation.GetTokens()[i].length))
         return std::nullopt;
   }
   rapidjson::StringBuffer fragment;
   branchLocation.StringifyUriFragment(fragment);
   const std::string reference = std::string("compiled") + fragment.GetString();
   rapidjson::Document referring;
   referring.SetObject();
   referring.AddMember("$ref", rapidjson::Value(reference.c_str(), referring.GetAllocator()),
                       referring.GetAllocator());
   CompiledAsRemote remote(*compiled.schema);
   rapidjson::SchemaDocument branchAlone(referring, &remote);
   rapidjson::SchemaValidator validator(branchAlone);
   for (const auto& member : object.GetObject())
   {
      validator.Reset();
      ValidatorFeed feed(validator);
      feed.StartObject();
      feed.Key(member.name.GetString(), member.name.GetStringLength(), false);
      member.value.Accept(feed);
      feed.EndObject(1);
      if (!validator.IsValid())
         return std::string(member.name.GetString(), member.name.GetStringLength());
   }
   return std::nullopt;
}

// The location in the schema as written: a moved "additionalProperties" schema is
// written where its branch of "allOf" now holds it.
SchemaPointer asWritten(const CompiledSchema& compiled, const SchemaPointer& location)
{
   const auto& moved = compiled.standIns.movedAdditional;
   if (moved.empty())
      return location;
   const auto* tokens = location.GetTokens();
   auto is = [&](std::size_t i, const char* name) {
      return tokens[i].length == std::strlen(name) && std::memcmp(tokens[i].name, name, tokens[i].length) == 0;
   };
   SchemaPointer written;
   for (std::size_t i = 0; i < location.GetTokenCount(); ++i)
   {
      if (i + 2 < location.GetTokenCount() && is(i, "allOf") && is(i + 2, "additionalProperties"))
      {
         const rapidjson::Value* value = SchemaPointer(tokens, i + 3).Get(compiled.document);
         if (std::find(moved.begin(), moved.end(), value) != moved.end())
         {
            written = written.Append(tokens[i + 2]);
            i += 2;
            continue;
         }
      }
      written = written.Append(tokens[i]);
   }
   return written;
}

// Where in the schema and in the value the validation failed and on which keyword, as
// the schema was written: a stand-in for a closed object fails on its own keyword
// "not", and a moved "additionalProperties" schema on its object's "allOf"; both are
// that object's "additionalProperties", failed by a member.
struct SchemaFailure
{
   std::string location;
   std::string keyword;
   SchemaPointer document;
};

SchemaFailure schemaFailure(const CompiledSchema& compiled,
                            const rapidjson::SchemaValidator& validator,
                            RapidValue& value)
{
   SchemaPointer location = validator.GetInvalidSchemaPointer();
   SchemaPointer document = validator.GetInvalidDocumentPointer();
   const rapidjson::Value* failed = location.Get(compiled.document);
   const auto& closed = compiled.standIns.closedObjects;
   if (location.GetTokenCount() > 0 && std::find(closed.begin(), closed.end(), failed) != closed.end())
   {
      return {uriFragmentText(SchemaPointer(location.GetTokens(), location.GetTokenCount() - 1)),
              "additionalProperties", document};
   }
   const SchemaPointer written = asWritten(compiled, location);
   const char* keyword = validator.GetInvalidSchemaKeyword();
   std::string keywordText = keyword == nullptr ? std::string() : std::string(keyword);
   if (keywordText == "allOf")
   {
      const RapidValue* object = walk(value, document, document.GetTokenCount());
      if (object != nullptr)
      {
         if (std::optional<std::string> member = memberFailingMovedSchema(compiled, location, *object))
         {
            return {uriFragmentText(written), "additionalProperties",
                    document.Append(member->data(), static_cast<rapidjson::SizeType>(member->size()))};
         }
      }
   }
   return {uriFragmentText(written), keywordText, document};
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
   SchemaLease compiled(schema);
   if (!compiled.isCompiled())
   {
      Error error = compiled.compile(ERROR_LOCATION);
      if (error)
         return error;
   }

   RapidValue& value = *impl_->value;
   rapidjson::SchemaValidator validator(*compiled->schema);
   runValidator(value, validator);
   // Each pass removes the value the validator stopped at, then validates again.
   // Two neighbours can fail at the same location in turn (the second takes the
   // first's index), so only a pass that removes nothing ends the loop.
   while (!validator.IsValid())
   {
      SchemaFailure failed = schemaFailure(*compiled, validator, value);
      if (!removeAt(value, failed.document))
      {
         Error failure(boost::system::error_code(kValidationFailed, jsonParseCategory()), ERROR_LOCATION);
         failure.addProperty("keyword", failed.keyword);
         failure.addProperty("document", uriFragmentText(failed.document));
         return failure;
      }
      invalidPaths.push_back(plainText(failed.document));
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
   SchemaLease compiled(schema);
   if (!compiled.isCompiled())
   {
      Error error = compiled.compile(ERROR_LOCATION);
      if (error)
         return error;
   }

   rapidjson::SchemaValidator validator(*compiled->schema);
   runValidator(*impl_->value, validator);
   if (validator.IsValid())
      return Success();

   SchemaFailure failed = schemaFailure(*compiled, validator, *impl_->value);
   Error failure(boost::system::error_code(kValidationFailed, jsonParseCategory()), ERROR_LOCATION);
   failure.addProperty("schema", failed.location);
   failure.addProperty("keyword", failed.keyword);
   failure.addProperty("document", uriFragmentText(failed.document));
   return failure;
}

} // namespace velorin::core::json
