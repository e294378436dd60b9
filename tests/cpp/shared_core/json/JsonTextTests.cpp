// JsonTextTests.cpp: parsing, writing and the JSON error categories.
#include <shared_core/json/Json.hpp>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

using namespace velorin::core;

namespace {

std::string offsetMessage(std::size_t offset)
{
   return "An error occurred while parsing json. Offset: " + std::to_string(offset);
}

TEST(JsonParse, MalformedTextGivesRapidJsonCodesAndOffsets)
{
   struct Case
   {
      std::string text;
      int code;
      std::size_t offset;
   } const cases[] = {
      {"", 1, 0},
      {"   ", 1, 3},
      {"{}[]", 2, 2},
      {"[1,]", 3, 3},
      {"// comment\n1", 3, 0},
      {"nul", 3, 3},
      {"[1", 7, 2},
      {R"({"a" 1})", 5, 5},
      {R"({1:2})", 4, 1},
      {R"({"a":1 "b":2})", 6, 7},
      {R"("\u12G4")", 8, 1},
      {R"("\uD800x")", 9, 1},
      {R"("\q")", 10, 1},
      {"\"abc", 11, 4},
      {"\"a\x01\"", 12, 2},
      {"\"a\nb\"", 12, 2},
      {"1e400", 13, 0},
      // Digits that fit but an exponent beyond the double range.
      {"[1,-1233720537e300]", 13, 3},
      {"12345e305", 13, 0},
      {"1.", 14, 2},
      {"1e", 15, 2},
      {"NaN", 3, 0},
      {"[Infinity]", 3, 1},
   };
   for (const Case& c : cases)
   {
      SCOPED_TRACE(c.text);
      json::Value value(42);
      Error error = value.parse(c.text);
      EXPECT_EQ("json-parse", error.getName());
      EXPECT_EQ(c.code, error.getCode());
      EXPECT_EQ(offsetMessage(c.offset), error.getMessage());
      EXPECT_TRUE(error.getProperties().empty());
      EXPECT_EQ(42, value.getInt());
   }
}

TEST(JsonParse, ReplacesContentSeenThroughSharedHandles)
{
   json::Value value;
   ASSERT_FALSE(value.parse("[1,2]"));
   json::Array array = value.getArray();
   ASSERT_FALSE(value.parse(R"({"a":true})"));
   EXPECT_TRUE(array.isObject());
   EXPECT_TRUE(value.getObject()["a"].getBool());

   // A failed parse through the shared handle leaves both unchanged.
   EXPECT_TRUE(array.parse("{").isError());
   EXPECT_EQ(R"({"a":true})", value.write());
}

TEST(JsonParse, NumbersTakeRapidJsonKinds)
{
   struct Case
   {
      const char* text;
      json::Type type;
   } const cases[] = {
      {"1", json::Type::Integer},
      {"-9223372036854775808", json::Type::Integer},
      {"18446744073709551615", json::Type::Integer},
      {"18446744073709551616", json::Type::Real},
      {"-9223372036854775809", json::Type::Real},
      {"1.0", json::Type::Real},
      {"1e2", json::Type::Real},
   };
   for (const Case& c : cases)
   {
      SCOPED_TRACE(c.text);
      json::Value value;
      ASSERT_FALSE(value.parse(c.text));
      EXPECT_EQ(c.type, value.getType());
   }
}

TEST(JsonParse, StopsAtTheFirstNulAndKeepsDuplicates)
{
   json::Value value;
   ASSERT_FALSE(value.parse(std::string("[1]\0garbage", 11)));
   EXPECT_EQ("[1]", value.write());

   ASSERT_FALSE(value.parse(R"({"a":1,"a":2})"));
   EXPECT_EQ(2u, value.getObject().getSize());
   EXPECT_EQ(R"({"a":1,"a":2})", value.write());

   EXPECT_EQ(1, value.parse(static_cast<const char*>(nullptr)).getCode());
}

TEST(JsonParse, StringBytesAreKeptUnvalidated)
{
   json::Value value;
   const std::string invalidUtf8 = "[\"\xff\xfe\xc3\"]";
   ASSERT_FALSE(value.parse(invalidUtf8));
   EXPECT_EQ("\xff\xfe\xc3", value.getArray()[0].getString());
   EXPECT_EQ(invalidUtf8, value.write());
}

TEST(JsonParse, NestingBeyondTheLimitIsRefused)
{
   auto nested = [](int depth) {
      return std::string(static_cast<std::size_t>(depth), '[') + std::string(static_cast<std::size_t>(depth), ']');
   };
   json::Value value(1);
   EXPECT_FALSE(value.parse(nested(1000)));
   EXPECT_EQ(nested(1000), value.write());

   Error error = value.parse(nested(1001));
   EXPECT_EQ(16, error.getCode());
   EXPECT_EQ(offsetMessage(1001), error.getMessage());
   EXPECT_EQ(nested(1000), value.write());

   // Far deeper text, even unterminated, fails without exhausting the stack.
   EXPECT_EQ(16, value.parse(std::string(1000000, '[')).getCode());
   std::string objects;
   for (int i = 0; i < 200000; ++i)
      objects += R"({"a":)";
   EXPECT_EQ(16, value.parse(objects).getCode());
}

TEST(JsonWrite, CompactAndFormattedTexts)
{
   json::Value value;
   ASSERT_FALSE(value.parse(R"({"a": 1, "b": [true, null], "c": {}, "d": []})"));
   EXPECT_EQ(R"({"a":1,"b":[true,null],"c":{},"d":[]})", value.write());
   EXPECT_EQ("{\n"
             "    \"a\": 1,\n"
             "    \"b\": [\n"
             "        true,\n"
             "        null\n"
             "    ],\n"
             "    \"c\": {},\n"
             "    \"d\": []\n"
             "}",
             value.writeFormatted());

   std::ostringstream compact;
   value.write(compact);
   EXPECT_EQ(value.write(), compact.str());
   std::ostringstream formatted;
   value.writeFormatted(formatted);
   EXPECT_EQ(value.writeFormatted(), formatted.str());

   EXPECT_EQ("null", json::Value().write());
   EXPECT_EQ("null", json::Value().writeFormatted());
}

TEST(JsonWrite, Numbers)
{
   struct Case
   {
      json::Value value;
      const char* text;
   } const cases[] = {
      {json::Value(0.1), "0.1"},
      {json::Value(1.0), "1.0"},
      {json::Value(0.1f), "0.10000000149011612"},
      {json::Value(-0.0), "-0.0"},
      {json::Value(1e21), "1e21"},
      {json::Value(1e20), "100000000000000000000.0"},
      {json::Value(1e-7), "1e-7"},
      {json::Value(-42), "-42"},
      {json::Value(UINT64_MAX), "18446744073709551615"},
      {json::Value(INT64_MIN), "-9223372036854775808"},
   };
   for (const Case& c : cases)
      EXPECT_EQ(c.text, c.value.write());
}

TEST(JsonWrite, EscapesStrings)
{
   json::Value value;
   ASSERT_FALSE(value.parse(R"(["q\"b\\s\/\b\f\n\r\t\u0001\u0000é"])"));
   EXPECT_EQ(R"(["q\"b\\s/\b\f\n\r\t\u0001\u0000é"])", value.write());
}

TEST(JsonWrite, StopsAtNaNAndInfinity)
{
   json::Array array;
   array.push_back(json::Value(1));
   array.push_back(json::Value(std::nan("")));
   array.push_back(json::Value(2));
   EXPECT_EQ("[1,", array.write());
   EXPECT_EQ("[\n    1,\n    ", array.writeFormatted());
   EXPECT_EQ("", json::Value(std::numeric_limits<double>::infinity()).write());
}

TEST(JsonErrorCategories, NamesAndMessages)
{
   const boost::system::error_category& parse = json::jsonParseCategory();
   EXPECT_STREQ("json-parse", parse.name());
   EXPECT_EQ("No error.", parse.message(0));
   EXPECT_EQ("The document is empty.", parse.message(1));
   EXPECT_EQ("Incorrect hex digit after \\u escape in string.", parse.message(8));
   EXPECT_EQ("Terminate parsing due to Handler error.", parse.message(16));
   EXPECT_EQ("Unspecific syntax error.", parse.message(17));
   EXPECT_EQ("Unknown error.", parse.message(18));
   EXPECT_EQ("Unknown error.", parse.message(99));
   EXPECT_EQ("Unknown error.", parse.message(-1));
   EXPECT_EQ(&parse, &json::jsonParseCategory());

   const boost::system::error_category& pointer = json::jsonPointerParseCategory();
   EXPECT_STREQ("json-pointer-parse", pointer.name());
   for (int code : {0, 1, 2, 3, 4, 99})
      EXPECT_EQ("Pointer parse failure - see error code", pointer.message(code));
}

} // namespace
