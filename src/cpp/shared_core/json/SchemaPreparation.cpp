// SchemaPreparation.cpp: what RapidJSON 1.1's schema compiler would silently drop is
// refused, and the shapes it compiles slowly or applies wrongly are rewritten into
// equivalent ones it handles.
#include "SchemaPreparation.hpp"

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include <rapidjson/pointer.h>
#include <rapidjson/stringbuffer.h>

#include "SchemaIdentifiers.hpp"
#include "SchemaPatterns.hpp"
#include "SchemaShapeCheck.hpp"
#include "StrictUtf8.hpp"

namespace velorin::core::json {
namespace {

using Allocator = rapidjson::Document::AllocatorType;

std::string text(const rapidjson::Value& string)
{
   return std::string(string.GetString(), string.GetStringLength());
}

// The pattern text in RapidJSON's syntax, stored over the original; false when
// RapidJSON cannot compile it, which would drop it.
bool translatePattern(rapidjson::Value& pattern, Allocator& allocator)
{
   std::optional<std::string> translated = toRapidJsonPattern(text(pattern));
   if (!translated || !isCompilablePattern(*translated))
      return false;
   pattern.SetString(translated->data(), static_cast<rapidjson::SizeType>(translated->size()), allocator);
   return true;
}

// When a member name matches a pattern, is not listed in "properties" and
// "additionalProperties" is false, RapidJSON leaves the member's value without a
// schema and its validator then breaks. A schema that fails every value says the
// same for the names that match no pattern, and RapidJSON applies it soundly: a name
// that does match needs only its pattern schemas to pass.
void standInForClosedPatterns(rapidjson::Value& schema,
                              Allocator& allocator,
                              std::vector<const rapidjson::Value*>& closedStandIns)
{
   auto patterns = schema.FindMember("patternProperties");
   auto additional = schema.FindMember("additionalProperties");
   if (patterns == schema.MemberEnd() || !patterns->value.IsObject() || patterns->value.ObjectEmpty() ||
       additional == schema.MemberEnd() || !additional->value.IsFalse())
      return;
   additional->value.SetObject();
   additional->value.AddMember("not", rapidjson::Value(rapidjson::kObjectType), allocator);
   closedStandIns.push_back(&additional->value);
}

// For a name that matches a pattern, RapidJSON takes the pattern schemas or the
// "additionalProperties" schema, either being enough, where the pattern schemas alone
// apply. So the "additionalProperties" schema moves into a branch of "allOf" in which
// every listed name and every name a pattern matches passes as it stands, which leaves
// that schema the other names alone; "true" takes its place. An empty one says what
// "true" says. The objects are rewritten after all they hold, so that what is moved
// or grown is not met again, and references into a moved schema follow it.
class AdditionalBesidePatterns
{
public:
   AdditionalBesidePatterns(const std::vector<rapidjson::Value*>& applied,
                            Allocator& allocator,
                            SchemaStandIns& standIns)
       : applied_(applied.begin(), applied.end()), allocator_(allocator), standIns_(standIns)
   {
   }

   std::optional<SchemaRefusal> rewrite(rapidjson::Value& document)
   {
      findReferences(document);
      return rewrite(document, Pointer());
   }

private:
   using Pointer = rapidjson::Pointer;

   // The local references that parse, as RapidJSON compiles them; values in "enum"
   // are data.
   void findReferences(rapidjson::Value& value)
   {
      if (value.IsArray())
      {
         for (rapidjson::Value& element : value.GetArray())
            findReferences(element);
         return;
      }
      if (!value.IsObject())
         return;
      if (auto reference = value.FindMember("$ref");
          reference != value.MemberEnd() && isLocalReference(reference->value))
      {
         Pointer pointer(reference->value.GetString(), reference->value.GetStringLength());
         if (pointer.IsValid())
            references_.emplace_back(&reference->value, pointer);
      }
      for (auto& member : value.GetObject())
      {
         if (!(member.value.IsArray() && member.name == "enum"))
            findReferences(member.value);
      }
   }

   // value, at location: its depth is that of the text, which parsing bounds.
   std::optional<SchemaRefusal> rewrite(rapidjson::Value& value, const Pointer& location)
   {
      if (value.IsArray())
      {
         for (rapidjson::SizeType i = 0; i < value.Size(); ++i)
         {
            if (auto refusal = rewrite(value[i], location.Append(i)))
               return refusal;
         }
         return std::nullopt;
      }
      if (!value.IsObject())
         return std::nullopt;
      for (auto& member : value.GetObject())
      {
         if (auto refusal =
                rewrite(member.value, location.Append(member.name.GetString(), member.name.GetStringLength())))
            return refusal;
      }
      if (applied_.count(&value) == 0)
         return std::nullopt;
      return rewriteSchema(value, location);
   }

   // Points the references into what was at from into where it went.
   void followMove(const Pointer& from, const Pointer& to)
   {
      for (auto& [text, pointer] : references_)
      {
         std::size_t count = from.GetTokenCount();
         if (pointer.GetTokenCount() < count)
            continue;
         bool inside = true;
         for (std::size_t i = 0; i < count && inside; ++i)
         {
            const auto& a = pointer.GetTokens()[i];
            const auto& b = from.GetTokens()[i];
            inside = a.length == b.length && std::equal(a.name, a.name + a.length, b.name);
         }
         if (!inside)
            continue;
         Pointer moved = to;
         for (std::size_t i = count; i < pointer.GetTokenCount(); ++i)
            moved = moved.Append(pointer.GetTokens()[i]);
         pointer = moved;
         // Without UTF-8 text RapidJSON reads no pointer back; that reference then
         // leads nowhere and is refused where it is applied.
         bool validUtf8 = true;
         for (std::size_t i = 0; i < pointer.GetTokenCount() && validUtf8; ++i)
            validUtf8 = isValidUtf8(pointer.GetTokens()[i].name, pointer.GetTokens()[i].length);
         if (!validUtf8)
            continue;
         rapidjson::StringBuffer buffer;
         pointer.StringifyUriFragment(buffer);
         text->SetString(buffer.GetString(), static_cast<rapidjson::SizeType>(buffer.GetSize()), allocator_);
      }
   }

   // The names of map, each with the empty schema.
   rapidjson::Value passingEach(const rapidjson::Value& map)
   {
      rapidjson::Value passing(rapidjson::kObjectType);
      if (!map.IsObject())
         return passing;
      for (const auto& member : map.GetObject())
         passing.AddMember(rapidjson::Value(member.name, allocator_), rapidjson::Value(rapidjson::kObjectType), allocator_);
      return passing;
   }

   std::optional<SchemaRefusal> rewriteSchema(rapidjson::Value& schema, const Pointer& location)
   {
      auto patterns = schema.FindMember("patternProperties");
      auto additional = schema.FindMember("additionalProperties");
      if (patterns == schema.MemberEnd() || !patterns->value.IsObject() || patterns->value.ObjectEmpty() ||
          additional == schema.MemberEnd() || !additional->value.IsObject())
         return std::nullopt;
      // A closed object's stand-in already says it soundly.
      const auto& closed = standIns_.closedObjects;
      if (std::find(closed.begin(), closed.end(), &additional->value) != closed.end())
         return std::nullopt;
      if (additional->value.ObjectEmpty())
      {
         additional->value.SetBool(true);
         return std::nullopt;
      }
      auto allOf = schema.FindMember("allOf");
      if (allOf != schema.MemberEnd() && !allOf->value.IsArray())
         return SchemaRefusal{"keyword", "additionalProperties"};

      rapidjson::Value branch(rapidjson::kObjectType);
      auto properties = schema.FindMember("properties");
      branch.AddMember("properties",
                       properties == schema.MemberEnd() ? rapidjson::Value(rapidjson::kObjectType)
                                                        : passingEach(properties->value),
                       allocator_);
      branch.AddMember("patternProperties", passingEach(patterns->value), allocator_);
      // Only the schema's top moves: the values it holds stay where they are in memory.
      branch.AddMember("additionalProperties", additional->value, allocator_);
      standIns_.movedAdditional.push_back(&branch.FindMember("additionalProperties")->value);
      additional->value.SetBool(true);
      if (allOf == schema.MemberEnd())
      {
         schema.AddMember("allOf", rapidjson::Value(rapidjson::kArrayType), allocator_);
         allOf = schema.FindMember("allOf");
      }
      allOf->value.PushBack(branch, allocator_);
      followMove(location.Append("additionalProperties", 20),
                 location.Append("allOf", 5).Append(allOf->value.Size() - 1).Append("additionalProperties", 20));
      return std::nullopt;
   }

   const std::unordered_set<const rapidjson::Value*> applied_;
   Allocator& allocator_;
   SchemaStandIns& standIns_;
   // Each local reference with the pointer it now holds.
   std::vector<std::pair<rapidjson::Value*, Pointer>> references_;
};

std::optional<SchemaRefusal> prepareAppliedSchema(rapidjson::Value& schema,
                                                  Allocator& allocator,
                                                  std::vector<const rapidjson::Value*>& closedStandIns)
{
   // References through identifiers are local pointers by now, and the shape check
   // has followed every local one that leads somewhere, so one still here names no
   // schema RapidJSON can reach.
   if (auto reference = schema.FindMember("$ref");
       reference != schema.MemberEnd() && reference->value.IsString())
      return SchemaRefusal{"reference", text(reference->value)};
   if (auto pattern = schema.FindMember("pattern");
       pattern != schema.MemberEnd() && pattern->value.IsString())
   {
      std::string original = text(pattern->value);
      if (!translatePattern(pattern->value, allocator))
         return SchemaRefusal{"pattern", original};
   }
   if (auto patterns = schema.FindMember("patternProperties");
       patterns != schema.MemberEnd() && patterns->value.IsObject())
   {
      for (auto& member : patterns->value.GetObject())
      {
         std::string original = text(member.name);
         if (!translatePattern(member.name, allocator))
            return SchemaRefusal{"pattern", original};
      }
   }
   standInForClosedPatterns(schema, allocator, closedStandIns);
   return std::nullopt;
}

// RapidJSON follows a chain of references from each of its links again, and looks up
// every schema in a list, so that long chains take cubic time. Each reference that
// leads to another is pointed at the chain's end instead, which is what it resolves
// to. Values in "enum" are data and stay as written.
class ReferenceChains
{
public:
   explicit ReferenceChains(rapidjson::Document& document) : document_(document) {}

   void shorten()
   {
      std::vector<rapidjson::Value*> pending{&document_};
      while (!pending.empty())
      {
         rapidjson::Value* value = pending.back();
         pending.pop_back();
         if (value->IsArray())
         {
            for (rapidjson::Value& element : value->GetArray())
               pending.push_back(&element);
            continue;
         }
         if (!value->IsObject())
            continue;
         shortenFrom(*value);
         for (auto& member : value->GetObject())
         {
            if (!(member.value.IsArray() && member.name == "enum"))
               pending.push_back(&member.value);
         }
      }
   }

private:
   // Whether RapidJSON follows the reference of object (one that is local and parses),
   // with the reference and the value it leads to, if any.
   bool follows(const rapidjson::Value& object,
                const rapidjson::Value*& reference,
                const rapidjson::Value*& target) const
   {
      auto member = object.FindMember("$ref");
      if (member == object.MemberEnd() || !isLocalReference(member->value))
         return false;
      rapidjson::Pointer pointer(member->value.GetString(), member->value.GetStringLength());
      if (!pointer.IsValid())
         return false;
      reference = &member->value;
      target = pointer.Get(document_);
      return true;
   }

   void shortenFrom(rapidjson::Value& object)
   {
      // The shape check has refused loops, so every chain ends.
      std::vector<const rapidjson::Value*> chain;
      const rapidjson::Value* end = nullptr;
      for (const rapidjson::Value* current = &object;;)
      {
         if (auto known = ends_.find(current); known != ends_.end())
         {
            end = known->second;
            break;
         }
         const rapidjson::Value* reference;
         const rapidjson::Value* next;
         if (!follows(*current, reference, next))
            break;
         chain.push_back(current);
         end = reference;
         if (next == nullptr || !next->IsObject())
            break;
         current = next;
      }
      for (const rapidjson::Value* link : chain)
         ends_[link] = end;
      auto reference = object.FindMember("$ref");
      if (end != nullptr && &reference->value != end)
         reference->value.SetString(end->GetString(), end->GetStringLength(), document_.GetAllocator());
   }

   rapidjson::Document& document_;
   // The reference at the end of the chain that begins at each object followed.
   std::unordered_map<const rapidjson::Value*, const rapidjson::Value*> ends_;
};

} // namespace

std::optional<SchemaRefusal> prepareSchema(rapidjson::Document& document, SchemaStandIns& standIns)
{
   resolveIdentifiedReferences(document);
   std::vector<rapidjson::Value*> applied;
   if (!findAppliedSchemas(document, applied))
      return SchemaRefusal{};
   for (rapidjson::Value* schema : applied)
   {
      std::optional<SchemaRefusal> refusal =
         prepareAppliedSchema(*schema, document.GetAllocator(), standIns.closedObjects);
      if (refusal)
         return refusal;
   }
   if (auto refusal =
          AdditionalBesidePatterns(applied, document.GetAllocator(), standIns).rewrite(document))
      return refusal;
   // The patterns are checked here, where every object is compiled, and a renamed
   // pattern can leave a reference into "patternProperties" leading nowhere.
   if (!isCompilableSchema(document))
      return SchemaRefusal{};
   ReferenceChains(document).shorten();
   return std::nullopt;
}

} // namespace velorin::core::json
