// JsonConversionsTests.cpp: arrays and objects to and from standard string containers.
#include <shared_core/json/Json.hpp>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <shared_core/ILogDestination.hpp>
#include <shared_core/Logger.hpp>

#include "CapturingLogDestination.hpp"

using namespace velorin::core;

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

json::Value parsed(const std::string& text)
{
   json::Value value;
   EXPECT_FALSE(value.parse(text)) << text;
   return value;
}

class CapturingLogDestination : public log::ILogDestination
{
public:
   CapturingLogDestination() : log::ILogDestination(log::LogLevel::DEBUG) {}
   unsigned int getId() const override { return 77; }
   void writeLog(log::LogLevel level, const std::string& message) override
   {
      if (level == log::LogLevel::DEBUG)
         lines.push_back(message);
   }

   std::vector<std::string> lines;
};

TEST(JsonStringPairs, RoundTripThroughTheArrayForm)
{
   const Pairs pairs{{"a", "1"}, {"b=c", "d=e"}, {"f", ""}};
   json::Array array(pairs);
   EXPECT_EQ(R"(["a=1","b\\=c=d\\=e","f"])", array.write());
   EXPECT_EQ(pairs, array.toStringPairList());
}

TEST(JsonStringPairs, SplitAtTheFirstUnescapedEquals)
{
   struct Case
   {
      const char* text;
      const char* key;
      const char* value;
   } const cases[] = {
      {"=x", "=x", ""},
      {"k=", "k", ""},
      {"a==b", "a", "=b"},
      {"a\\=b", "a=b", ""},
      {"a\\==b", "a=", "b"},
      // Backslashes themselves are not escaped, so one before "=" always escapes it.
      {"a\\\\=b", "a\\=b", ""},
      {"plain", "plain", ""},
      {"", "", ""},
   };
   for (const Case& c : cases)
   {
      SCOPED_TRACE(c.text);
      json::Array array;
      array.push_back(json::Value(c.text));
      EXPECT_EQ((Pairs{{c.key, c.value}}), array.toStringPairList());
   }
}

TEST(JsonStringPairs, NonStringsAreSkippedWithADebugMessage)
{
   auto destination = velorin::core::testing::registerForTest(std::make_shared<CapturingLogDestination>());

   json::Array array = parsed(R"([5,"k=v"])").getArray();
   EXPECT_EQ((Pairs{{"k", "v"}}), array.toStringPairList());
   json::Object object = parsed(R"({"a":"x","b":2})").getObject();
   EXPECT_EQ((Pairs{{"a", "x"}}), object.toStringPairList());

   ASSERT_EQ(2u, destination->lines.size());
   EXPECT_NE(std::string::npos,
             destination->lines[0].find("DEBUG Skipping value 5 when converting array to a list of string "
                                        "pairs because its value does not have a string type.; LOGGED FROM"));
   EXPECT_NE(std::string::npos, destination->lines[0].find("toStringPairList"));
   EXPECT_NE(std::string::npos,
             destination->lines[1].find("DEBUG Skipping member b when converting object to a list of string "
                                        "pairs because its value does not have a string type.; LOGGED FROM"));
}

TEST(JsonStringPairs, ObjectFormTakesTheLastValueOfARepeatedKey)
{
   json::Object object(Pairs{{"k", "1"}, {"j", "x"}, {"k", "2"}});
   EXPECT_EQ(R"({"k":"2","j":"x"})", object.write());
   EXPECT_EQ((Pairs{{"k", "2"}, {"j", "x"}}), object.toStringPairList());
}

TEST(JsonArrayFromContainers, CopiesEachElement)
{
   std::vector<json::Value> values{json::Value(1), json::Value("a")};
   json::Array fromVector(values);
   EXPECT_EQ(R"([1,"a"])", fromVector.write());
   values[0] = 2;
   EXPECT_EQ(R"([1,"a"])", fromVector.write());

   std::vector<json::Object> objects(2);
   objects[1]["k"] = true;
   EXPECT_EQ(R"([{},{"k":true}])", json::Array(objects).write());
}

TEST(JsonArrayToContainers, StopAtTheFirstElementOfTheWrongKind)
{
   std::vector<int> ints{9};
   EXPECT_FALSE(parsed(R"([1,2,"3",4])").getArray().toVectorInt(&ints));
   EXPECT_EQ((std::vector<int>{9, 1, 2}), ints);

   ints.clear();
   EXPECT_FALSE(parsed("[1,1.5]").getArray().toVectorInt(&ints));
   EXPECT_EQ(std::vector<int>{1}, ints);

   // An integer beyond int is the wrong kind rather than its low 32 bits.
   ints.clear();
   EXPECT_FALSE(parsed("[-2147483648,2147483647,3000000000]").getArray().toVectorInt(&ints));
   EXPECT_EQ((std::vector<int>{-2147483648, 2147483647}), ints);

   ints.clear();
   EXPECT_TRUE(json::Array().toVectorInt(&ints));
   EXPECT_TRUE(ints.empty());

   std::vector<std::string> strings;
   EXPECT_TRUE(parsed(R"(["b","a","b"])").getArray().toVectorString(&strings));
   EXPECT_EQ((std::vector<std::string>{"b", "a", "b"}), strings);
   EXPECT_FALSE(parsed(R"(["c",null])").getArray().toVectorString(&strings));
   EXPECT_EQ(4u, strings.size());

   std::set<std::string> set{"z"};
   EXPECT_TRUE(parsed(R"(["b","a","b"])").getArray().toSetString(&set));
   EXPECT_EQ((std::set<std::string>{"a", "b", "z"}), set);
   EXPECT_FALSE(parsed(R"(["c",1,"d"])").getArray().toSetString(&set));
   EXPECT_EQ(4u, set.size());
}

TEST(JsonObjectToStringMap, EachMemberAnArrayOfStrings)
{
   std::map<std::string, std::vector<std::string>> map{{"a", {"old"}}, {"z", {"kept"}}};
   EXPECT_TRUE(parsed(R"({"a":["x","y"],"n":null,"e":[]})").getObject().toStringMap(&map));
   EXPECT_EQ((std::map<std::string, std::vector<std::string>>{
                {"a", {"x", "y"}}, {"e", {}}, {"n", {}}, {"z", {"kept"}}}),
             map);

   map.clear();
   EXPECT_FALSE(parsed(R"({"a":["x","y"],"b":[1],"c":["z"]})").getObject().toStringMap(&map));
   EXPECT_EQ((std::map<std::string, std::vector<std::string>>{{"a", {"x", "y"}}}), map);

   map.clear();
   EXPECT_FALSE(parsed(R"({"a":"x"})").getObject().toStringMap(&map));
   EXPECT_TRUE(map.empty());
}

} // namespace
