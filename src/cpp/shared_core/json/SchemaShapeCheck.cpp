// SchemaShapeCheck.cpp: the schema shapes and regular expressions that RapidJSON 1.1
// cannot take. Schema text is refused before RapidJSON compiles it, rather than let
// a malformed schema crash the process.
#include "SchemaShapeCheck.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include <rapidjson/internal/regex.h>
#include <rapidjson/pointer.h>

#include "JsonParse.hpp"
#include "StrictUtf8.hpp"

namespace velorin::core::json {
namespace {

// The value of the first member of that name, as RapidJSON's schema reads keywords.
const rapidjson::Value* keywordValue(const rapidjson::Value& object, const char* name)
{
   auto member = object.FindMember(name);
   return member == object.MemberEnd() ? nullptr : &member->value;
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

// RapidJSON decodes a pattern as UTF-8 and reads past the end of one that stops
// inside a sequence.
bool isSafePattern(const char* pattern, std::size_t length)
{
   return isValidUtf8(pattern, length) && PatternCheck(pattern).isSafe();
}

// RapidJSON compiles every object of a schema document as a schema, used or not, and
// trusts its shape: "patternProperties" that is not an object, a dependency list
// holding a non-name or a second list for one name (which leaks), a pattern its regular expressions cannot take, or a reference
// that leads to a non-object or round in a loop breaks the compiler. In the schemas a
// validation applies, a sub-schema that is not an object or a reference that leads
// nowhere becomes a null schema, a name given two dependency schemas an unmade
// validator, and a schema that applies itself again to the same value (through
// allOf, anyOf, oneOf, not or a dependency) an endless recursion.
class SchemaShapeCheck
{
public:
   explicit SchemaShapeCheck(const rapidjson::Value& document) : document_(document) {}

   bool isSafe() { return compilesSafely(document_) && isSafelyApplied(); }

   // Whether the schemas a validation may apply are safe to apply, leaving aside the
   // regular expressions. A root that is not an object is RapidJSON's typeless schema.
   bool isSafelyApplied() { return !document_.IsObject() || appliesSafely(document_); }

   // The schema objects a validation may apply, in the order first met.
   const std::vector<const rapidjson::Value*>& appliedSchemas() const { return appliedInOrder_; }

private:
   struct Resolution
   {
      bool compiles;
      const rapidjson::Value* schema;
   };

   // Follows local "$ref"s from object as RapidJSON resolves them, recursing while the
   // target is itself a reference. Gives the schema object reached, or null when that
   // leads nowhere; false when it leads to a value that is not an object or back to a
   // reference already followed, which RapidJSON cannot compile at all. Every object
   // on the way keeps its outcome, so that long chains are followed once.
   bool resolveReferences(const rapidjson::Value& object, const rapidjson::Value*& schema)
   {
      std::vector<const rapidjson::Value*> chain;
      Resolution outcome{true, nullptr};
      for (const rapidjson::Value* current = &object;;)
      {
         if (auto known = resolved_.find(current); known != resolved_.end())
         {
            // An entry without an outcome yet is on this chain: a loop.
            outcome = known->second ? *known->second : Resolution{false, nullptr};
            break;
         }
         resolved_.emplace(current, std::nullopt);
         chain.push_back(current);
         const rapidjson::Value* reference = keywordValue(*current, "$ref");
         if (reference == nullptr || !isLocalReference(*reference))
         {
            outcome = {true, current};
            break;
         }
         rapidjson::GenericPointer<rapidjson::Value> pointer(reference->GetString(),
                                                             reference->GetStringLength());
         if (!pointer.IsValid())
         {
            outcome = {true, current};
            break;
         }
         const rapidjson::Value* target = pointer.Get(document_);
         if (target == nullptr || !target->IsObject())
         {
            outcome = {target == nullptr, nullptr};
            break;
         }
         current = target;
      }
      for (const rapidjson::Value* followed : chain)
         resolved_[followed] = outcome;
      schema = outcome.schema;
      return outcome.compiles;
   }

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
      if (!resolveReferences(value, schema))
         return false;
      if (const rapidjson::Value* pattern = keywordValue(value, "pattern");
          pattern && pattern->IsString() && !isSafePattern(pattern->GetString(), pattern->GetStringLength()))
         return false;
      if (const rapidjson::Value* patterns = keywordValue(value, "patternProperties"))
      {
         if (!patterns->IsObject())
            return false;
         for (const auto& pattern : patterns->GetObject())
         {
            if (!isSafePattern(pattern.name.GetString(), pattern.name.GetStringLength()))
               return false;
         }
      }
      if (const rapidjson::Value* dependencies = keywordValue(value, "dependencies");
          dependencies && dependencies->IsObject())
      {
         // RapidJSON loses the first of two lists given one name, at each compilation.
         std::set<std::string> withLists;
         for (const auto& dependency : dependencies->GetObject())
         {
            if (dependency.value.IsArray())
            {
               if (!withLists.emplace(dependency.name.GetString(), dependency.name.GetStringLength()).second)
                  return false;
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
   // References can chain schemas deeper than any text nests, so the schemas are
   // followed from a list rather than by recursion.
   bool appliesSafely(const rapidjson::Value& root)
   {
      std::vector<const rapidjson::Value*> pending{&root};
      while (!pending.empty())
      {
         const rapidjson::Value* position = pending.back();
         pending.pop_back();
         const rapidjson::Value* schema = nullptr;
         if (!position->IsObject() || !resolveReferences(*position, schema) || schema == nullptr)
            return false;
         if (!applied_.insert(schema).second)
            continue;
         appliedInOrder_.push_back(schema);
         if (!terminatesOnOneValue(*schema, 0))
            return false;
         std::vector<const rapidjson::Value*> subschemas;
         if (!collectSubschemas(*schema, subschemas))
            return false;
         // Taken from the back, so that they are met in the order written.
         pending.insert(pending.end(), subschemas.rbegin(), subschemas.rend());
      }
      return true;
   }

   // The positions in schema that hold schemas applied to the value or its contents;
   // false for dependencies RapidJSON cannot set up.
   static bool collectSubschemas(const rapidjson::Value& schema,
                                 std::vector<const rapidjson::Value*>& subschemas)
   {
      for (const char* name : {"allOf", "anyOf", "oneOf", "items"})
      {
         const rapidjson::Value* list = keywordValue(schema, name);
         if (list && list->IsArray())
         {
            for (const rapidjson::Value& element : list->GetArray())
               subschemas.push_back(&element);
         }
      }
      if (const rapidjson::Value* negated = keywordValue(schema, "not"))
         subschemas.push_back(negated);
      for (const char* name : {"items", "additionalItems", "additionalProperties"})
      {
         const rapidjson::Value* sub = keywordValue(schema, name);
         if (sub && sub->IsObject())
            subschemas.push_back(sub);
      }
      if (const rapidjson::Value* properties = keywordValue(schema, "properties");
          properties && properties->IsObject())
      {
         for (const auto& property : properties->GetObject())
         {
            // A property schema that is not an object stays typeless.
            if (property.value.IsObject())
               subschemas.push_back(&property.value);
         }
      }
      if (const rapidjson::Value* patterns = keywordValue(schema, "patternProperties");
          patterns && patterns->IsObject())
      {
         for (const auto& pattern : patterns->GetObject())
            subschemas.push_back(&pattern.value);
      }
      if (const rapidjson::Value* dependencies = keywordValue(schema, "dependencies");
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
      return true;
   }

   // The sub-schemas that get a validator of their own on the value their parent
   // begins must not lead back to a schema on the way there. RapidJSON's validators
   // nest as deep as they chain, which is kept within the depth JSON text may nest.
   bool terminatesOnOneValue(const rapidjson::Value& schema, unsigned depth)
   {
      if (depth > kMaxNestingDepth)
         return false;
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
         if (!sub->IsObject() || !resolveReferences(*sub, target) || target == nullptr ||
             !terminatesOnOneValue(*target, depth + 1))
            return false;
      }
      state->second = true;
      return true;
   }

   const rapidjson::Value& document_;
   // Schemas the validation may apply, already looked at.
   std::set<const rapidjson::Value*> applied_;
   std::vector<const rapidjson::Value*> appliedInOrder_;
   // Schemas being followed (false) or known to end (true) on one value.
   std::map<const rapidjson::Value*, bool> onOneValue_;
   // Objects whose references have been followed, with where they led; none while
   // being followed.
   std::unordered_map<const rapidjson::Value*, std::optional<Resolution>> resolved_;
};

} // namespace

bool findAppliedSchemas(rapidjson::Value& document, std::vector<rapidjson::Value*>& applied)
{
   SchemaShapeCheck check(document);
   applied.clear();
   if (!check.isSafelyApplied())
      return false;
   // The check reads the document it was given; handing its findings back as
   // changeable is sound because the caller holds that document as changeable.
   for (const rapidjson::Value* schema : check.appliedSchemas())
      applied.push_back(const_cast<rapidjson::Value*>(schema));
   return true;
}

bool isCompilablePattern(const std::string& pattern)
{
   // RapidJSON reads a pattern up to its first NUL, so one holding a NUL would be
   // compiled as another pattern.
   return pattern.find('\0') == std::string::npos && isSafePattern(pattern.data(), pattern.size()) &&
          rapidjson::internal::Regex(pattern.c_str()).IsValid();
}

bool isCompilableSchema(const rapidjson::Value& document)
{
   return SchemaShapeCheck(document).isSafe();
}

bool isLocalReference(const rapidjson::Value& reference)
{
   return reference.IsString() && reference.GetStringLength() > 0 && reference.GetString()[0] == '#';
}

} // namespace velorin::core::json
