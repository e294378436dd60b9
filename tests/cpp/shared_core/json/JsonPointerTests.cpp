// JsonPointerTests.cpp: what storing at a pointer path refuses: nesting past the parse
// limit and padding past what memory grants.
#include <shared_core/json/Json.hpp>

#include <string>

#include <gtest/gtest.h>

using namespace velorin::core;

#if defined(__SANITIZE_ADDRESS__)
// Padding is tried with a real allocation; the sanitizer must answer a refused one
// with a null pointer, as the C heap does, instead of ending the process.
extern "C" const char* __asan_default_options()
{
   return "allocator_may_return_null=1";
}
#endif

namespace {

using Properties = Error::Properties;

json::Value parsed(const std::string& text)
{
   json::Value value;
   EXPECT_FALSE(value.parse(text)) << text;
   return value;
}

std::string repeated(const std::string& text, unsigned count)
{
   std::string result;
   for (unsigned i = 0; i < count; ++i)
      result += text;
   return result;
}

// Arrays nested depth deep around 1; just 1 for depth 0.
json::Value nested(unsigned depth)
{
   return parsed(repeated("[", depth) + "1" + repeated("]", depth));
}

TEST(JsonPointerPath, NestingStopsWhereParsingDoes)
{
   struct Case
   {
      const char* name;
      bool startInMember; // the path starts at a member of the root
      unsigned tokens;
      unsigned valueDepth;
      bool accepted;
   } const cases[] = {
      {"a path to the limit", false, 1000, 0, true},
      {"a path past the limit", false, 1001, 0, false},
      {"a path far past the limit", false, 70000, 0, false},
      {"a path and a nested value to the limit", false, 999, 1, true},
      {"a path and a nested value past the limit", false, 1000, 1, false},
      {"a value nested to the limit", false, 0, 1000, true},
      {"a value nested to the limit below a path", false, 1, 1000, false},
      {"a path from a member to the limit", true, 999, 0, true},
      {"a path from a member past the limit", true, 1000, 0, false},
   };
   for (const Case& c : cases)
   {
      SCOPED_TRACE(c.name);
      json::Value root = parsed(R"({"x":{}})");
      json::Value start = c.startInMember ? root.getObject()["x"] : root;
      const std::string path = repeated("/a", c.tokens);
      Error error = start.setValueAtPointerPath(path, nested(c.valueDepth));
      if (c.accepted)
      {
         ASSERT_FALSE(error) << error;
         json::Value reread;
         EXPECT_FALSE(reread.parse(root.write()));
         continue;
      }
      EXPECT_EQ("json-pointer-parse", error.getName());
      EXPECT_EQ(16, error.getCode());
      EXPECT_EQ((Properties{{"path", path}}), error.getProperties());
      EXPECT_EQ(R"({"x":{}})", root.write());
   }
}

TEST(JsonPointerPath, PaddingBeyondMemoryIsRefused)
{
   struct Case
   {
      const char* start;
      const char* path;
   } const cases[] = {
      // 4294967295 elements: an array RapidJSON could never grow again.
      {"null", "/4294967294"},
      // 32 GB of nulls, more than the heap grants.
      {"null", "/0/2000000000"},
      {"[[1]]", "/0/2000000000"},
      {"{}", "/a/b/2000000000"},
      {"[0]", "/0/x/2000000000"},
   };
   for (const Case& c : cases)
   {
      SCOPED_TRACE(std::string(c.start) + " " + c.path);
      json::Value value = parsed(c.start);
      Error error = value.setValueAtPointerPath(c.path, json::Value(true));
      EXPECT_EQ("system", error.getName());
      EXPECT_EQ(8, error.getCode());
      EXPECT_EQ((Properties{{"path", c.path}}), error.getProperties());
      EXPECT_EQ(c.start, value.write());
   }
}

} // namespace
