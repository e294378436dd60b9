// JsonSchemaTests.cpp: validation, coercion, schema defaults, merging and pointer paths.
#include <shared_core/json/Json.hpp>

#include <string>
#include <vector>

#include <gtest/gtest.h>

using namespace velorin::core;

namespace {

json::Value parsed(const std::string& text)
{
   json::Value value;
   EXPECT_FALSE(value.parse(text)) << text;
   return value;
}

using Properties = Error::Properties;

const char* const kIntegerA = R"({"type":"object","properties":{"a":{"type":"integer"}}})";

TEST(JsonValidate, ReportsWhereTheValueFails)
{
   json::Value value = parsed(R"({"a":"text"})");
   Error error = value.validate(kIntegerA);
   EXPECT_EQ("json-parse", error.getName());
   EXPECT_EQ(17, error.getCode());
   EXPECT_EQ("Unspecific syntax error.", error.getMessage());
   EXPECT_EQ((Properties{{"schema", "#/properties/a"}, {"keyword", "type"}, {"document", "#/a"}}),
             error.getProperties());

   EXPECT_FALSE(parsed(R"({"a":5})").validate(kIntegerA));
}

TEST(JsonValidate, SchemaParseErrorsCarryTheOffset)
{
   json::Value value = parsed("{}");
   Error error = value.validate(R"({"type": })");
   EXPECT_EQ("json-parse", error.getName());
   EXPECT_EQ(3, error.getCode());
   EXPECT_EQ("Invalid value.", error.getMessage());
   EXPECT_EQ((Properties{{"offset", "9"}}), error.getProperties());

   EXPECT_EQ(1, value.validate("").getCode());
   // A schema that is JSON but not an object constrains nothing.
   EXPECT_FALSE(value.validate("[1]"));
   EXPECT_FALSE(value.validate("true"));
}

TEST(JsonValidate, SchemasRapidJsonCannotCompileAreInvalidValues)
{
   struct Case
   {
      const char* schema;
      // The pattern refused, when it is a pattern that RapidJSON cannot take.
      const char* pattern = nullptr;
   } const cases[] = {
      {R"({"not":5})"},
      {R"({"allOf":[{},5]})"},
      {R"({"oneOf":[true]})"},
      {R"({"items":[{"type":"integer"},1]})"},
      {R"({"patternProperties":5})"},
      {R"({"patternProperties":{"^a":5}})"},
      {R"({"properties":{"a":{}},"dependencies":{"a":["b",1]}})"},
      {R"({"dependencies":{"a":{},"a":{"required":["b"]}}})"},
      {R"({"$ref":"#"})"},
      {R"({"allOf":[{"$ref":"#/definitions/missing"}]})"},
      {R"({"$ref":"#/nothing/here"})"},
      {R"({"$ref":"#/definitions/a","definitions":{"a":5}})"},
      {R"({"items":{"$ref":"#/definitions/a"},)"
       R"("definitions":{"a":{"$ref":"#/definitions/b"},"b":{"$ref":"#/definitions/a"}}})"},
      {R"({"allOf":[{"$ref":"#"}]})"},
      // The empty reference names the document, which applies itself again here.
      {R"({"anyOf":[{"$ref":""}]})"},
      {R"({"properties":{"a":{"anyOf":[{"not":{"$ref":"#/properties/a"}}]}}})"},
      // Repeating what can match nothing, or a group left open, breaks RapidJSON's
      // regular expressions.
      {R"({"pattern":"a**"})", R"(a**)"},
      {R"({"pattern":"x(a|b?)+"})", R"(x(a|b?)+)"},
      {R"({"pattern":"(a*){2,}"})", R"((a*){2,})"},
      {R"({"pattern":"(a"})", R"((a)"},
      {R"({"pattern":"^b(|ac+)?$"})", R"(^b(|ac+)?$)"},
      {R"({"pattern":"a()b"})", R"(a()b)"},
      {R"({"pattern":"^{2}a"})", R"(^{2}a)"},
      {R"({"pattern":"((a{0,300}){0,300}){0,30}"})", R"(((a{0,300}){0,300}){0,30})"},
      {R"({"pattern":"x{1,4000000000}"})", R"(x{1,4000000000})"},
      {R"({"patternProperties":{"(^a?)*":{}}})", R"((^a?)*)"},
      // Every object of the schema text is compiled, wherever it stands.
      {R"({"default":{"patternProperties":[]}})"},
      {R"({"definitions":{"unused":{"pattern":"a**"}}})"},
      // RapidJSON reads past the end of a pattern that stops inside a UTF-8 sequence.
      {"{\"default\":{\"pattern\":\"a\xe0\"}}"},
      {"{\"pattern\":\"a\xe0\"}", "a\xe0"},
   };
   for (const Case& c : cases)
   {
      const char* schema = c.schema;
      SCOPED_TRACE(schema);
      json::Value value = parsed(R"({"a":[1,"x"]})");
      Error error = value.validate(schema);
      EXPECT_EQ("json-parse", error.getName());
      EXPECT_EQ(3, error.getCode());
      EXPECT_EQ((c.pattern ? Properties{{"pattern", c.pattern}} : Properties{}), error.getProperties());
      std::vector<std::string> paths;
      EXPECT_EQ(3, value.coerce(schema, paths).getCode());
      EXPECT_TRUE(paths.empty());
      EXPECT_EQ(R"({"a":[1,"x"]})", value.write());
   }

   // Patterns RapidJSON takes still compile.
   for (const char* pattern : {"^a+*$", "(a|b)*c{0,3}", "a*?", "[*+]*", "\\(*", "^(ab|c)$", "",
                              "^[a-z0-9]{1,255}$", "([0-9]{1,3}\\.){3}[0-9]{1,3}"})
   {
      SCOPED_TRACE(pattern);
      json::Object schema;
      schema["pattern"] = pattern;
      Error error = parsed(R"("b")").validate(schema.write());
      EXPECT_TRUE(!error || error.getCode() == 17);
   }

   // References that resolve, to objects and through chains, still compile.
   json::Value value = parsed(R"({"a":"x"})");
   const char* referenced =
      R"({"properties":{"a":{"$ref":"#/definitions/n"}},"definitions":{"n":{"type":"integer"}}})";
   EXPECT_EQ("#/definitions/n", value.validate(referenced).getProperty("schema"));
   // Objects that are never applied may hold what sub-schemas may not, as the
   // meta-schema's property named "patternProperties" does.
   EXPECT_FALSE(value.validate(
      R"({"properties":{"patternProperties":{"type":"object","additionalProperties":{"$ref":"#"}}}})"));
   EXPECT_FALSE(value.validate(R"({"definitions":{"unused":{"not":5,"$ref":"#/missing"}}})"));
   EXPECT_EQ(17, value.validate(R"({"$ref":"#/definitions/a","definitions":{"a":{"$ref":"#/definitions/b"},)"
                                R"("b":{"properties":{"a":{"type":"integer"}}}}})")
                    .getCode());
   EXPECT_FALSE(
      value.validate(R"({"properties":{"a":{"not":{"type":"integer"}}},"dependencies":{"a":["a"]}})"));
}

// RapidJSON leaks the first of two lists given one name in "dependencies", wherever
// the object stands, so that schemas from outside would grow memory without end; the
// sanitizer builds report such a leak.
TEST(JsonValidate, DependencyListsGivenOneNameTwiceAreRefused)
{
   const char* const schemas[] = {
      R"({"dependencies":{"a":["b"],"a":["c"]}})",
      R"({"definitions":{"x":{"dependencies":{"a":["b"],"c":{},"a":[]}}}})",
      R"({"enum":[{"dependencies":{"a":["b"],"a":["c"]}}]})",
   };
   for (const char* schema : schemas)
   {
      SCOPED_TRACE(schema);
      json::Value value = parsed(R"({"a":1,"b":2})");
      Error error = value.validate(schema);
      EXPECT_EQ("json-parse", error.getName());
      EXPECT_EQ(3, error.getCode());
      EXPECT_TRUE(error.getProperties().empty());
      std::vector<std::string> paths;
      EXPECT_EQ(3, value.coerce(schema, paths).getCode());
      EXPECT_EQ(R"({"a":1,"b":2})", value.write());
   }

   // One list and one schema for a name, or lists for different names, still compile.
   EXPECT_FALSE(parsed(R"({"a":1,"b":2})").validate(R"({"dependencies":{"a":["b"],"a":{},"b":["a"]}})"));
   EXPECT_EQ(17, parsed(R"({"a":1})").validate(R"({"dependencies":{"a":["b"],"c":["b"]}})").getCode());
}

TEST(JsonValidate, PatternsKnowTheClassEscapes)
{
   struct Case
   {
      const char* pattern;
      const char* text;
      bool matches;
   } const cases[] = {
      {"^\\d+$", "123", true},
      {"^\\d+$", "abd", false},
      {"^\\D+$", "abc", true},
      {"^\\D+$", "a1", false},
      {"^\\w+$", "a_Z9", true},
      {"^\\w+$", "a-b", false},
      {"^\\W$", "-", true},
      {"^\\W$", "_", false},
      {"^a\\sb$", "a\tb", true},
      {"^a\\sb$", "a b", true},
      {"^a\\sb$", "axb", false},
      {"^\\S+$", "ab", true},
      {"^\\S+$", "a b", false},
      // Inside brackets, plain and negated.
      {"^[\\d.]+$", "1.5", true},
      {"^[\\d.]+$", "1,5", false},
      {"^[^\\d]+$", "ab", true},
      {"^[^\\d]+$", "a1", false},
      {"^[\\D]$", "a", true},
      {"^[\\D]$", "1", false},
      {"^[^\\D]$", "1", true},
      {"^[^\\D]$", "a", false},
      {"^[1\\D]$", "1", true},
      {"^[1\\D]$", "x", true},
      {"^[1\\D]$", "2", false},
      {"^[\\]\\d]+$", "]5", true},
      // An escaped backslash or bracket is no class.
      {"^\\\\d$", "\\d", true},
      {"^\\\\d$", "1", false},
      {"^\\[\\d]$", "[5]", true},
      {"^\\[\\d]$", "5", false},
      // The empty pattern matches every text.
      {"", "anything", true},
   };
   for (const Case& c : cases)
   {
      SCOPED_TRACE(std::string(c.pattern) + " on " + c.text);
      json::Object schema;
      schema["type"] = "string";
      schema["pattern"] = c.pattern;
      Error error = json::Value(c.text).validate(schema.write());
      if (c.matches)
      {
         EXPECT_FALSE(error);
      }
      else
      {
         EXPECT_EQ(17, error.getCode());
         EXPECT_EQ("pattern", error.getProperty("keyword"));
      }
   }

   const char* digitNames = R"({"patternProperties":{"^\\d+$":{"type":"integer"},"":{"not":{"type":"null"}}}})";
   EXPECT_FALSE(parsed(R"({"12":1,"ab":"x"})").validate(digitNames));
   EXPECT_EQ("#/12", parsed(R"({"12":"x"})").validate(digitNames).getProperty("document"));
   EXPECT_EQ("#/ab", parsed(R"({"ab":null})").validate(digitNames).getProperty("document"));
}

TEST(JsonValidate, PatternsAndReferencesRapidJsonWouldDropAreRefused)
{
   struct Case
   {
      const char* schema;
      const char* property;
      std::string value;
   } const cases[] = {
      {R"({"pattern":"a)*"})", "pattern", "a)*"},
      {R"({"pattern":"^\\p{L}$"})", "pattern", "^\\p{L}$"},
      {R"({"pattern":"\\bword"})", "pattern", "\\bword"},
      {R"({"pattern":"[^a\\D]"})", "pattern", "[^a\\D]"},
      {R"({"pattern":"^a\u0000b"})", "pattern", std::string("^a\0b", 4)},
      {R"({"properties":{"a":{"patternProperties":{"x\\Qy":{}}}}})", "pattern", "x\\Qy"},
      {R"({"$ref":"node.json"})", "reference", "node.json"},
      {R"({"id":"http://example.com/root.json","items":{"$ref":"item.json#/definitions/a"}})", "reference",
       "item.json#/definitions/a"},
      {R"({"$ref":"#/definitions/a","definitions":{"a":{"$ref":"other.json"}}})", "reference", "other.json"},
      // Identifiers that name no schema of the document, or more than one.
      {R"({"id":"http://x/root.json","definitions":{"a":{"id":"#a"}},"allOf":[{"$ref":"#b"}]})", "reference",
       "#b"},
      {R"({"id":"http://x/root.json","items":{"$ref":"http://x/other.json"}})", "reference",
       "http://x/other.json"},
      {R"({"definitions":{"a":{"id":"#x","type":"integer"},"b":{"id":"#x","type":"string"}},)"
       R"("allOf":[{"$ref":"#x"}]})",
       "reference", "#x"},
      {R"({"enum":[{"id":"#x"}],"default":{"id":"#x"},"allOf":[{"$ref":"#x"}]})", "reference", "#x"},
      {R"({"definitions":{"a":{"id":"#x","$ref":"#/definitions/b"},"b":{}},"allOf":[{"$ref":"#x"}]})",
       "reference", "#x"},
      // The branch that would carry the schema has no place to go.
      {R"({"allOf":{},"patternProperties":{"^a":{}},"additionalProperties":{"type":"string"}})", "keyword",
       "additionalProperties"},
   };
   for (const Case& c : cases)
   {
      SCOPED_TRACE(c.schema);
      json::Value value = parsed(R"({"a":[1,"x"]})");
      Error error = value.validate(c.schema);
      EXPECT_EQ("json-parse", error.getName());
      EXPECT_EQ(3, error.getCode());
      EXPECT_EQ((Properties{{c.property, c.value}}), error.getProperties());
      std::vector<std::string> paths;
      EXPECT_EQ(3, value.coerce(c.schema, paths).getCode());
      EXPECT_TRUE(paths.empty());
      EXPECT_EQ(R"({"a":[1,"x"]})", value.write());
   }

   // What is never applied as a schema is data, whatever it holds.
   json::Value value = parsed(R"({"a":1})");
   EXPECT_FALSE(value.validate(R"({"enum":[{"a":1},{"$ref":"node.json","pattern":"\\p"}]})"));
   EXPECT_FALSE(value.validate(
      R"({"default":{"$ref":"node.json","pattern":"\\p"},"definitions":{"x":{"pattern":"\\p"}}})"));
}

// Definitions d0 to d<links>, each but the last applying the next through a
// reference as wrap shows, where "%" stands for the reference.
std::string chainedDefinitions(int links, const std::string& wrap)
{
   std::string definitions = R"("definitions":{)";
   for (int i = 0; i < links; ++i)
   {
      std::string next = R"({"$ref":"#/definitions/d)" + std::to_string(i + 1) + "\"}";
      std::string link = wrap;
      link.replace(link.find('%'), 1, next);
      definitions += "\"d" + std::to_string(i) + "\":" + link + ",";
   }
   return definitions + "\"d" + std::to_string(links) + R"(":{"type":"integer"}})";
}

TEST(JsonValidate, LongReferenceChainsResolve)
{
   constexpr int kLinks = 2000;
   const std::string schema =
      R"({"properties":{"a":{"$ref":"#/definitions/d0"}},)" + chainedDefinitions(kLinks, "%") + "}";

   EXPECT_FALSE(parsed(R"({"a":1})").validate(schema));
   Error error = parsed(R"({"a":"x"})").validate(schema);
   EXPECT_EQ((Properties{{"schema", "#/definitions/d" + std::to_string(kLinks)}, {"keyword", "type"},
                         {"document", "#/a"}}),
             error.getProperties());
}

TEST(JsonValidate, SchemasAppliedOnOneValueNestNoDeeperThanText)
{
   // RapidJSON nests a validator for each.
   const std::string root = R"({"$ref":"#/definitions/d0",)";
   EXPECT_EQ(17, json::Value("x").validate(root + chainedDefinitions(900, R"({"allOf":[%]})") + "}").getCode());
   const std::string tooDeep = root + chainedDefinitions(1100, R"({"not":{"not":%}})") + "}";
   EXPECT_EQ(3, json::Value("x").validate(tooDeep).getCode());
   // Items apply to values one level down, which nest no deeper than their text.
   EXPECT_FALSE(parsed(R"([[["x"]]])").validate(root + chainedDefinitions(1100, R"({"items":%})") + "}"));
}

// A document validated against a schema, and the properties of its failure.
struct VerdictCase
{
   std::string schema;
   const char* document;
   Properties failure; // empty: valid
};

Properties failure(const char* schema, const char* keyword, const char* document)
{
   return Properties{{"schema", schema}, {"keyword", keyword}, {"document", document}};
}

template <std::size_t N>
void expectVerdicts(const VerdictCase (&cases)[N])
{
   for (const VerdictCase& c : cases)
   {
      SCOPED_TRACE(c.schema + " with " + c.document);
      Error error = parsed(c.document).validate(c.schema);
      EXPECT_EQ(c.failure, error.getProperties());
      EXPECT_EQ(c.failure.empty() ? 0 : 17, error.getCode());
   }
}

TEST(JsonValidate, PatternPropertiesBesideClosedObjects)
{
   const char* closed = R"({"patternProperties":{"^a":{}},"additionalProperties":false})";
   const char* typedClosed = R"({"type":"object","patternProperties":{"^a":{"type":"integer"}},)"
                             R"("additionalProperties":false})";
   const char* withProperties = R"({"properties":{"b":{"type":"string"},"ab":{"maximum":5}},)"
                                R"("patternProperties":{"^a":{"type":"integer"}},"additionalProperties":false})";
   const char* twoPatterns = R"({"type":"object","patternProperties":{"^a":{"type":"integer"},)"
                             R"("b$":{"minimum":0}},"additionalProperties":false})";
   const VerdictCase cases[] = {
      {closed, R"({"ab":2})", {}},
      {closed, R"({"ab":{"c":[1]},"a":null})", {}},
      {closed, R"({"b":2})", failure("#", "additionalProperties", "#/b")},
      {R"({"type":"object","patternProperties":{"^a":{}},"additionalProperties":false})",
       R"({"ab":"x"})",
       {}},
      {typedClosed, R"({"ab":1,"ac":2})", {}},
      {typedClosed, R"({"ab":"x"})", failure("#", "patternProperties", "#/ab")},
      {typedClosed, R"({"ab":1,"c":1})", failure("#", "additionalProperties", "#/c")},
      {withProperties, R"({"b":"s","a1":1,"ab":3})", {}},
      {withProperties, R"({"ab":7})", failure("#", "patternProperties", "#/ab")},
      {withProperties, R"({"b":1})", failure("#/properties/b", "type", "#/b")},
      {withProperties, R"({"c":1})", failure("#", "additionalProperties", "#/c")},
      {twoPatterns, R"({"ab":1,"cb":"s","a":2})", {}},
      {twoPatterns, R"({"ab":-1})", failure("#", "patternProperties", "#/ab")},
      {twoPatterns, R"({"ab":"x"})", failure("#", "patternProperties", "#/ab")},
      {twoPatterns, R"({"cb":-1})", failure("#", "patternProperties", "#/cb")},
      // An empty schema for the other names leaves the patterns in force.
      {R"({"patternProperties":{"^a":{"type":"integer"}},"additionalProperties":{}})", R"({"ab":1,"c":"x"})", {}},
      {R"({"patternProperties":{"^a":{"type":"integer"}},"additionalProperties":{}})",
       R"({"ab":"x"})",
       failure("#", "patternProperties", "#/ab")},
      {R"({"properties":{"o":{"$ref":"#/definitions/c"}},"definitions":{"c":)" + std::string(closed) + "}}",
       R"({"o":{"ax":1,"b":2}})",
       failure("#/definitions/c", "additionalProperties", "#/o/b")},
   };
   expectVerdicts(cases);
}

// "additionalProperties" applies to the names that are neither listed nor matched by a
// pattern, and a failure there is reported on that keyword and the member.
TEST(JsonValidate, AdditionalPropertiesBesidePatternsTakeTheOtherNames)
{
   const std::string listed = R"({"properties":{"foo":{"type":"array","maxItems":3},"bar":{"type":"array"}},)"
                              R"("patternProperties":{"f.o":{"minItems":2}},"additionalProperties":{"type":"integer"}})";
   const std::string matched = R"({"patternProperties":{"^a":{"type":"string"}},"additionalProperties":{"type":"integer"}})";
   const std::string nested = R"({"properties":{"o":{"$ref":"#/definitions/p"}},"definitions":{"p":)" + matched + "}}";
   const std::string withAllOf = R"({"allOf":[{"required":["c"]}],"patternProperties":{"^a":{"type":"string"}},)"
                                 R"("additionalProperties":{"type":"integer"}})";
   const std::string deeper = R"({"patternProperties":{"^a":{}},"additionalProperties":{"type":"object",)"
                              R"("patternProperties":{"^b":{"type":"string"}},"additionalProperties":{"maximum":1}}})";
   const std::string intoAdditional = R"({"properties":{"n":{"$ref":"#/additionalProperties"}},)"
                                      R"("patternProperties":{"^a":{"type":"string"}},"additionalProperties":{"type":"integer"}})";
   const VerdictCase cases[] = {
      {listed, R"({"foo":[1,2]})", {}},
      // RapidJSON reports a listed name that a pattern matches on the pattern keyword.
      {listed, R"({"foo":[1,2,3,4]})", failure("#", "patternProperties", "#/foo")},
      {listed, R"({"foo":[]})", failure("#", "patternProperties", "#/foo")},
      {listed, R"({"fxo":[1,2]})", {}},
      {listed, R"({"fxo":[]})", failure("#", "patternProperties", "#/fxo")},
      {listed, R"({"bar":[]})", {}},
      {listed, R"({"quux":3})", {}},
      {listed, R"({"quux":"foo"})", failure("#", "additionalProperties", "#/quux")},
      // RapidJSON alone would pass "ab", which its pattern schema fails.
      {matched, R"({"ab":1})", failure("#", "patternProperties", "#/ab")},
      {matched, R"({"ab":"x","c":1})", {}},
      {matched, R"({"c":"x"})", failure("#", "additionalProperties", "#/c")},
      {matched, R"({"ab":"x","c":1,"d":2,"e":"y"})", failure("#", "additionalProperties", "#/e")},
      {matched, "[1]", {}},
      {nested, R"({"o":{"ab":"x","c":2}})", {}},
      {nested, R"({"o":{"ab":"x","c":true}})", failure("#/definitions/p", "additionalProperties", "#/o/c")},
      // A branch of the schema's own "allOf" that fails is reported as before.
      {withAllOf, R"({"c":1,"ab":"x"})", {}},
      {withAllOf, R"({"ab":"x"})", failure("#", "allOf", "#")},
      {withAllOf, R"({"ab":"x","d":"y"})", failure("#", "additionalProperties", "#/d")},
      {deeper, R"({"a":5,"c":{"b":"x","d":1}})", {}},
      {deeper, R"({"c":{"b":1}})", failure("#", "additionalProperties", "#/c")},
      {deeper, R"({"c":{"d":2}})", failure("#", "additionalProperties", "#/c")},
      // What points into the schema still reaches it, and its failures are reported
      // where it is written.
      {intoAdditional, R"({"n":1,"ab":"x","c":2})", {}},
      {intoAdditional, R"({"n":"x"})", failure("#/additionalProperties", "type", "#/n")},
      {intoAdditional, R"({"n":1,"c":"x"})", failure("#", "additionalProperties", "#/c")},
   };
   expectVerdicts(cases);

   // Coercion removes the members that fail, whichever keyword they fail.
   json::Value value = parsed(R"({"ab":1,"c":"x","ad":"y","e":2,"f":[]})");
   std::vector<std::string> paths;
   EXPECT_FALSE(value.coerce(matched, paths));
   EXPECT_EQ(R"({"ad":"y","e":2})", value.write());
   EXPECT_EQ((std::vector<std::string>{"/ab", "/c", "/f"}), paths);
}

// A reference names a schema through the base URI that the "id"s around it set up.
TEST(JsonValidate, ReferencesThroughIdentifiersResolve)
{
   const std::string locationIndependent =
      R"({"allOf":[{"$ref":"#foo"}],"definitions":{"A":{"id":"#foo","type":"integer"}}})";
   const std::string nestedBase = R"({"id":"http://localhost:1234/root","allOf":[{"$ref":"http://localhost:1234/nested.json#foo"}],)"
                                  R"("definitions":{"A":{"id":"nested.json","definitions":{"B":{"id":"#foo","type":"integer"}}}}})";
   // The "id" beside "$ref" is without effect, so "foo.json" is resolved against the
   // enclosing base.
   const std::string siblingId = R"({"id":"http://localhost:1234/sibling_id/base/","definitions":{)"
                                 R"("foo":{"id":"http://localhost:1234/sibling_id/foo.json","type":"string"},)"
                                 R"("base_foo":{"id":"foo.json","type":"number"}},)"
                                 R"("allOf":[{"id":"http://localhost:1234/sibling_id/","$ref":"foo.json"}]})";
   const std::string tree = R"({"id":"http://localhost:1234/tree","type":"object","properties":{"meta":{"type":"string"},)"
                            R"("nodes":{"type":"array","items":{"$ref":"node"}}},"required":["meta","nodes"],)"
                            R"("definitions":{"node":{"id":"http://localhost:1234/node","type":"object",)"
                            R"("properties":{"value":{"type":"number"},"subtree":{"$ref":"tree"}},"required":["value"]}}})";
   // A pointer is read from the schema its base names, not from the document's root.
   const std::string pointerFromSubschema = R"({"id":"http://x/root.json","properties":{"o":{"$ref":"sub.json"}},)"
                                            R"("definitions":{"n":{"type":"string"},"s":{"id":"sub.json",)"
                                            R"("properties":{"a":{"$ref":"#/definitions/n"}},"definitions":{"n":{"type":"integer"}}}}})";
   const std::string dotSegments = R"({"id":"http://x/a/b/c.json","allOf":[{"$ref":"../d.json#/definitions/e"}],)"
                                   R"("definitions":{"d":{"id":"http://x/a/d.json","definitions":{"e":{"type":"integer"}}}}})";
   const std::string authority = R"({"id":"http://x/a.json","allOf":[{"$ref":"//y/b.json"}],)"
                                 R"("definitions":{"b":{"id":"http://y/b.json","minimum":3}}})";
   const std::string wholeDocument = R"({"type":"object","properties":{"a":{"$ref":""}}})";
   const VerdictCase cases[] = {
      {locationIndependent, "1", {}},
      {locationIndependent, R"("a")", failure("#", "allOf", "#")},
      {nestedBase, "1", {}},
      {nestedBase, R"("a")", failure("#", "allOf", "#")},
      {siblingId, "1", {}},
      {siblingId, R"("a")", failure("#", "allOf", "#")},
      {tree, R"({"meta":"root","nodes":[{"value":1,"subtree":{"meta":"child","nodes":[{"value":1.1},{"value":1.2}]}},)"
             R"({"value":2}]})",
       {}},
      {tree, R"({"meta":"root","nodes":[{"value":1,"subtree":{"meta":"child","nodes":[{"value":"x"}]}}]})",
       failure("#/definitions/node/properties/value", "type", "#/nodes/0/subtree/nodes/0/value")},
      {tree, R"({"meta":"root","nodes":[{"value":1,"subtree":{"meta":"child"}}]})",
       failure("#", "required", "#/nodes/0/subtree")},
      {pointerFromSubschema, R"({"o":{"a":1}})", {}},
      {pointerFromSubschema, R"({"o":{"a":"x"}})",
       failure("#/definitions/s/definitions/n", "type", "#/o/a")},
      {dotSegments, "1", {}},
      {dotSegments, R"("x")", failure("#", "allOf", "#")},
      {authority, "4", {}},
      {authority, "2", failure("#", "allOf", "#")},
      {wholeDocument, R"({"a":{"a":{}}})", {}},
      {wholeDocument, R"({"a":{"a":1}})", failure("#", "type", "#/a/a")},
   };
   expectVerdicts(cases);
}

TEST(JsonCoerce, RemovesWhatClosedPatternObjectsReject)
{
   const char* typedClosed = R"({"type":"object","patternProperties":{"^a":{"type":"integer"}},)"
                             R"("additionalProperties":false})";
   struct Case
   {
      std::string schema;
      const char* before;
      const char* after;
      std::vector<std::string> paths;
   } const cases[] = {
      {R"({"patternProperties":{"^a":{}},"additionalProperties":false})", R"({"ab":2})", R"({"ab":2})", {}},
      {typedClosed, R"({"ab":2,"b":1,"ac":"x"})", R"({"ab":2})", {"/b", "/ac"}},
      {R"({"properties":{"o":)" + std::string(typedClosed) + "}}", R"({"o":{"a":1,"b":2},"p":3})",
       R"({"o":{"a":1},"p":3})", {"/o/b"}},
   };
   for (const Case& c : cases)
   {
      SCOPED_TRACE(c.schema);
      json::Value value = parsed(c.before);
      std::vector<std::string> paths;
      EXPECT_FALSE(value.coerce(c.schema, paths));
      EXPECT_EQ(c.after, value.write());
      EXPECT_EQ(c.paths, paths);
   }
}

TEST(JsonValidate, HugeNumbersAndEmptyDependencies)
{
   // The validator hashes numbers for enum and uniqueItems, and sets up a block per
   // object for dependencies even when there are none; both ran into the sanitizers.
   EXPECT_EQ(17, parsed("[1e300]").validate(R"({"items":{"enum":[1]}})").getCode());
   EXPECT_EQ(17, parsed("[-1e300,-1e300]").validate(R"({"uniqueItems":true})").getCode());
   EXPECT_FALSE(parsed(R"({"a":1})").validate(R"({"dependencies":{}})"));
}

TEST(JsonValidate, PointerTextsAreRapidJsonsUriFragments)
{
   const char* schema =
      R"({"type":"object","properties":{"a b":{"type":"integer"},"x/y~z":{"type":"integer"},)"
      R"("é":{"type":"integer"}}})";
   struct Case
   {
      const char* document;
      const char* schemaPointer;
      const char* documentPointer;
   } const cases[] = {
      {R"({"a b":"s"})", "#/properties/a%20b", "#/a%20b"},
      {R"({"x/y~z":"s"})", "#/properties/x~1y~0z", "#/x~1y~0z"},
      {R"({"é":"s"})", "#/properties/%C3%A9", "#/%C3%A9"},
   };
   for (const Case& c : cases)
   {
      SCOPED_TRACE(c.document);
      Error error = parsed(c.document).validate(schema);
      EXPECT_EQ(c.schemaPointer, error.getProperty("schema"));
      EXPECT_EQ(c.documentPointer, error.getProperty("document"));
   }
}

TEST(JsonValidate, NamesThatAreNotUtf8AreEncodedByteByByte)
{
   const char* schema = R"({"type":"object","additionalProperties":{"type":"integer"}})";
   struct Case
   {
      std::string document;
      const char* documentPointer;
   } const cases[] = {
      {"{\"\xff\":\"s\"}", "#/%FF"},
      {"{\"a\xe4\":\"s\"}", "#/a%E4"},
      {"{\"\xc3\xa9\xed\xa0\x80~ \":\"s\"}", "#/%C3%A9%ED%A0%80~0%20"},
      {"{\"\xc0\xaf\":\"s\"}", "#/%C0%AF"},
   };
   for (const Case& c : cases)
   {
      Error error = parsed(c.document).validate(schema);
      EXPECT_EQ(c.documentPointer, error.getProperty("document"));
   }
}

TEST(JsonValidate, StringsThatAreNotUtf8AreReadSafely)
{
   // Each text ends inside a UTF-8 sequence, where decoding would run past its end
   // (the sanitizer builds catch that); the verdicts are RapidJSON's.
   json::Value text = parsed("\"ab\xf0\"");
   EXPECT_EQ(0, text.validate(R"({"type":"string","pattern":"^a"})").getCode());
   EXPECT_EQ(0, text.validate(R"({"type":"string","maxLength":10})").getCode());
   json::Value object = parsed("{\"k\xe4\":\"s\"}");
   EXPECT_EQ(17, object.validate(R"({"patternProperties":{"^k":{"type":"integer"}}})").getCode());
}

// A schema text compiled once serves later calls; they must give what the first gave,
// whatever ran in between, and a schema that failed to compile fails again.
TEST(JsonValidate, RepeatedCallsGiveTheFirstCallsResult)
{
   const char* closedPatterns = R"({"type":"object","patternProperties":{"^a":{"type":"integer"}},)"
                                R"("additionalProperties":false})";
   const char* named = R"({"properties":{"name":{"type":"string","pattern":"^[a-z]+$"}},"required":["name"]})";
   struct Case
   {
      const char* schema;
      const char* document;
   } const cases[] = {
      {closedPatterns, R"({"ab":1})"},
      {closedPatterns, R"({"ab":1,"c":1})"},
      {closedPatterns, R"({"ab":"x"})"},
      {named, R"({"name":"abc"})"},
      {named, R"({"name":"ab1"})"},
      {named, R"({})"},
      {R"({"type": })", "{}"},
      {R"({"pattern":"a**"})", R"("a")"},
   };
   std::vector<Error> first;
   for (const Case& c : cases)
      first.push_back(parsed(c.document).validate(c.schema));
   for (int round = 0; round < 2; ++round)
   {
      for (std::size_t i = 0; i < std::size(cases); ++i)
      {
         SCOPED_TRACE(std::string(cases[i].schema) + " with " + cases[i].document);
         Error error = parsed(cases[i].document).validate(cases[i].schema);
         EXPECT_EQ(first[i].getName(), error.getName());
         EXPECT_EQ(first[i].getCode(), error.getCode());
         EXPECT_EQ(first[i].getProperties(), error.getProperties());
      }
   }

   // Coercion uses the same compiled schemas and leaves nothing of its value in them.
   for (int round = 0; round < 2; ++round)
   {
      json::Value value = parsed(R"({"ab":1,"ac":"x","b":2})");
      std::vector<std::string> invalidPaths;
      EXPECT_FALSE(value.coerce(closedPatterns, invalidPaths));
      EXPECT_EQ((std::vector<std::string>{"/ac", "/b"}), invalidPaths);
      EXPECT_EQ(R"({"ab":1})", value.write());
      EXPECT_FALSE(value.validate(closedPatterns));
   }
}

TEST(JsonValidate, ManyDifferentSchemasEachKeepTheirOwnMeaning)
{
   auto maximum = [](int limit) { return R"({"maximum":)" + std::to_string(limit) + "}"; };
   for (int round = 0; round < 2; ++round)
   {
      for (int limit = 0; limit < 200; ++limit)
      {
         SCOPED_TRACE(maximum(limit));
         EXPECT_FALSE(json::Value(limit).validate(maximum(limit)));
         EXPECT_EQ(17, json::Value(limit + 1).validate(maximum(limit)).getCode());
      }
   }
}

TEST(JsonParseAndValidate, KeepsTheParsedTextWhenValidationFails)
{
   json::Value value(1);
   Error error = value.parseAndValidate(R"({"a":"x"})", kIntegerA);
   EXPECT_EQ(17, error.getCode());
   EXPECT_EQ(R"({"a":"x"})", value.write());

   error = value.parseAndValidate("{", kIntegerA);
   EXPECT_EQ(4, error.getCode());
   EXPECT_EQ("An error occurred while parsing json. Offset: 1", error.getMessage());
   EXPECT_EQ(R"({"a":"x"})", value.write());
}

TEST(JsonCoerce, RemovesWhatTheSchemaRejects)
{
   struct Case
   {
      const char* name;
      const char* schema;
      const char* before;
      const char* after;
      std::vector<std::string> paths;
   } const cases[] = {
      {"wrong member type", kIntegerA, R"({"a":"x","b":1})", R"({"b":1})", {"/a"}},
      {"already valid", kIntegerA, R"({"a":1})", R"({"a":1})", {}},
      {"object lacking a required member",
       R"({"type":"object","properties":{"b":{"type":"object","required":["r"]}}})",
       R"({"a":1,"b":{"x":1}})", R"({"a":1})", {"/b"}},
      {"unlisted members",
       R"({"type":"object","properties":{"keep":{}},"additionalProperties":false})",
       R"({"x":1,"keep":2,"y":3})", R"({"keep":2})", {"/x", "/y"}},
      {"escaped names", R"({"type":"object","additionalProperties":{"type":"integer"}})",
       R"({"a/b":"s","c~d":"s","e f":1})", R"({"e f":1})", {"/a~1b", "/c~0d"}},
      {"nested path", R"({"type":"object","properties":{"o":{"type":"object","properties":{"n":{"type":"string"}}}}})",
       R"({"o":{"n":1,"m":2}})", R"({"o":{"m":2}})", {"/o/n"}},
      // Each removal moves the next bad element to the same index.
      {"neighbouring array elements", R"({"type":"array","items":{"type":"integer"}})",
       R"(["x","y",3,"z"])", "[3]", {"/0", "/0", "/1"}},
   };
   for (const Case& c : cases)
   {
      SCOPED_TRACE(c.name);
      json::Value value = parsed(c.before);
      std::vector<std::string> paths{"earlier"};
      EXPECT_FALSE(value.coerce(c.schema, paths));
      EXPECT_EQ(c.after, value.write());
      std::vector<std::string> expected{"earlier"};
      expected.insert(expected.end(), c.paths.begin(), c.paths.end());
      EXPECT_EQ(expected, paths);
   }
}

TEST(JsonCoerce, StopsWhenNothingCanBeRemoved)
{
   json::Value value = parsed(R"({"b":1})");
   std::vector<std::string> paths;
   Error error = value.coerce(R"({"type":"object","required":["a"]})", paths);
   EXPECT_EQ(17, error.getCode());
   EXPECT_EQ("json-parse", error.getName());
   EXPECT_EQ((Properties{{"keyword", "required"}, {"document", "#"}}), error.getProperties());
   EXPECT_TRUE(paths.empty());
   EXPECT_EQ(R"({"b":1})", value.write());

   // Removals made before the root itself fails stay.
   value = parsed(R"({"x":"s","y":1})");
   error = value.coerce(
      R"({"type":"object","properties":{"x":{"type":"integer"}},"required":["x"]})", paths);
   EXPECT_EQ((Properties{{"keyword", "required"}, {"document", "#"}}), error.getProperties());
   EXPECT_EQ(std::vector<std::string>{"/x"}, paths);
   EXPECT_EQ(R"({"y":1})", value.write());
}

TEST(JsonCoerce, SchemaErrorsChangeNothing)
{
   json::Value value = parsed(R"({"a":"x"})");
   std::vector<std::string> paths;
   Error error = value.coerce("{", paths);
   EXPECT_EQ(4, error.getCode());
   EXPECT_EQ("Missing a name for object member.", error.getMessage());
   EXPECT_EQ((Properties{{"offset", "1"}}), error.getProperties());
   EXPECT_EQ(R"({"a":"x"})", value.write());
   EXPECT_TRUE(paths.empty());
}

TEST(JsonSchemaDefaults, CollectsNestedDefaults)
{
   json::Object defaults;
   defaults["old"] = 1;
   const char* schema = R"({"type":"object","properties":{)"
                        R"("a":{"type":"integer","default":1},)"
                        R"("b":{"type":"object","properties":{"c":{"type":"string","default":"x"}}},)"
                        R"("d":{"type":"string"},)"
                        R"("e":{"type":"object","properties":{"f":{"type":"string"}}},)"
                        R"("g":true,)"
                        R"("a":{"default":[2]}}})";
   ASSERT_FALSE(json::Object::getSchemaDefaults(schema, defaults));
   EXPECT_EQ(R"({"a":[2],"b":{"c":"x"}})", defaults.write());
}

TEST(JsonSchemaDefaults, OnlyObjectSchemasHaveDefaults)
{
   json::Object defaults;
   defaults["kept"] = true;
   Error error = json::Object::getSchemaDefaults("[1]", defaults);
   EXPECT_EQ(3, error.getCode());
   EXPECT_EQ("Invalid value.", error.getMessage());
   EXPECT_TRUE(error.getProperties().empty());
   EXPECT_EQ(R"({"kept":true})", defaults.write());

   error = json::Object::getSchemaDefaults("{", defaults);
   EXPECT_EQ(4, error.getCode());
   EXPECT_EQ("An error occurred while parsing json. Offset: 1", error.getMessage());
   EXPECT_EQ(R"({"kept":true})", defaults.write());

   for (const char* schema : {R"({"type":["object"],"properties":{"a":{"default":1}}})",
                              R"({"type":"object ","properties":{"a":{"default":1}}})",
                              R"({"type":"object","properties":[]})"})
   {
      ASSERT_FALSE(json::Object::getSchemaDefaults(schema, defaults));
      EXPECT_EQ("{}", defaults.write());
   }
}

TEST(JsonSchemaDefaults, PropertyDefaultsMoveOutOfTheSchema)
{
   json::Value schema = parsed(R"({"type":"object","properties":{"a":{"default":[1]}}})");
   json::Object defaults = json::Object::getPropertyDefaults(schema.getObject());
   EXPECT_EQ(R"({"a":[1]})", defaults.write());
   EXPECT_EQ(R"({"type":"object","properties":{"a":{"default":null}}})", schema.write());
}

TEST(JsonMerge, OverlayWinsAndNestedObjectsMerge)
{
   json::Value base = parsed(R"({"a":1,"c":{"x":1,"z":[1]},"d":{"k":1}})");
   json::Value overlay = parsed(R"({"b":2,"c":{"y":2,"z":[2]},"d":5})");
   json::Object merged = json::Object::merge(base.getObject(), overlay.getObject());
   EXPECT_EQ(R"({"a":1,"c":{"x":1,"z":[2],"y":2},"d":5,"b":2})", merged.write());

   // The inputs are unchanged and the result shares nothing with them.
   merged["c"].getObject()["x"] = 9;
   EXPECT_EQ(R"({"a":1,"c":{"x":1,"z":[1]},"d":{"k":1}})", base.write());
   EXPECT_EQ(R"({"b":2,"c":{"y":2,"z":[2]},"d":5})", overlay.write());
}

TEST(JsonPointerPath, CreatesWhatIsMissing)
{
   struct Case
   {
      const char* start;
      const char* path;
      json::Value value;
      const char* result;
   } const cases[] = {
      {"{}", "/a/b", json::Value(1), R"({"a":{"b":1}})"},
      {"{}", "/a/2", json::Value(true), R"({"a":[null,null,true]})"},
      {"[1]", "/-", json::Value("x"), R"([1,"x"])"},
      {R"({"a":5})", "/a/b", json::Value(1), R"({"a":{"b":1}})"},
      {R"({"a":5})", "/a/0", json::Value(1), R"({"a":[1]})"},
      {R"({"a":[0,1]})", "/a/1", json::Value(7), R"({"a":[0,7]})"},
      {R"({"a b":{}})", "#/a%20b/c", json::Value(1), R"({"a b":{"c":1}})"},
      {R"({"m~/":0})", "/m~0~1", json::Value(1), R"({"m~/":1})"},
      {R"({"a":1})", "", json::Value(2), "2"},
   };
   for (const Case& c : cases)
   {
      SCOPED_TRACE(c.path);
      json::Value value = parsed(c.start);
      EXPECT_FALSE(value.setValueAtPointerPath(c.path, c.value));
      EXPECT_EQ(c.result, value.write());
   }
}

TEST(JsonPointerPath, CopiesTheValueFirst)
{
   json::Value value = parsed(R"({"a":[1,2]})");
   ASSERT_FALSE(value.setValueAtPointerPath("/a/5", value.getObject()["a"]));
   EXPECT_EQ(R"({"a":[1,2,null,null,null,[1,2]]})", value.write());
   ASSERT_FALSE(value.setValueAtPointerPath("/self", value));
   EXPECT_EQ(R"([1,2,null,null,null,[1,2]])", value.getObject()["self"].getObject()["a"].write());
}

TEST(JsonPointerPath, SyntaxErrorsLeaveTheValue)
{
   struct Case
   {
      const char* path;
      int code;
      const char* offset;
   } const cases[] = {
      {"a", 1, "0"},
      {"/a~2", 2, "3"},
      {"#/a%zz", 3, "3"},
      {"#/a b", 4, "3"},
   };
   for (const Case& c : cases)
   {
      SCOPED_TRACE(c.path);
      json::Value value = parsed(R"({"a":1})");
      Error error = value.setValueAtPointerPath(c.path, json::Value(2));
      EXPECT_EQ("json-pointer-parse", error.getName());
      EXPECT_EQ(c.code, error.getCode());
      EXPECT_EQ("Pointer parse failure - see error code", error.getMessage());
      EXPECT_EQ((Properties{{"offset", c.offset}}), error.getProperties());
      EXPECT_EQ(R"({"a":1})", value.write());
   }
}

} // namespace
