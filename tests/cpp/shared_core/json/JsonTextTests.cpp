// JsonTextTests.cpp: parsing, writing and the JSON error categories.
#include <shared_core/json/Json.hpp>

#include <sstream>
#include <string>

#include <gtest/gtest.h>

using namespace velorin::core;

namespace {

TEST(JsonParse, GivesKindsAndKeepsOldContentOnFailure)
{
   json::Value value;
   ASSERT_FALSE(value.parse(R"({"a": 1, "b": [true, null]})"));
   json::Object object = value.getObject();
   EXPECT_EQ(json::Type::Integer, object["a"].getType());

   Error error = value.parse("[1,");
   EXPECT_EQ(3, error.getCode());
   EXPECT_EQ("json-parse", error.getName());
   EXPECT_EQ(R"({"a":1,"b":[true,null]})", value.write());
}

TEST(JsonWrite, CompactAndFormatted)
{
   json::Value value;
   ASSERT_FALSE(value.parse(R"({"a": 1, "b": [true, null]})"));
   EXPECT_EQ(R"({"a":1,"b":[true,null]})", value.write());
   EXPECT_EQ("{\n    \"a\": 1,\n    \"b\": [\n        true,\n        null\n    ]\n}", value.writeFormatted());
}

} // namespace
