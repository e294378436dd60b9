// JsonValueTests.cpp: storage, ownership, views and containers of the JSON model.
#include <shared_core/json/Json.hpp>

#include <cstdint>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

using namespace velorin::core;

namespace {

json::Value parsed(const char* text)
{
   json::Value value;
   EXPECT_FALSE(value.parse(text)) << text;
   return value;
}

struct Flags
{
   const char* name;
   json::Value value;
   json::Type type;
   bool isInt, isUInt, isInt64, isUInt64, isDouble, isFloat;
};

TEST(JsonValue, NativeTypesKeepRapidJsonNumberFlags)
{
   const Flags cases[] = {
      {"int -1", json::Value(-1), json::Type::Integer, true, false, true, false, false, false},
      {"int 5", json::Value(5), json::Type::Integer, true, true, true, true, false, false},
      {"unsigned 3e9", json::Value(3000000000u), json::Type::Integer, false, true, true, true, false, false},
      {"int64 -3e9", json::Value(std::int64_t(-3000000000)), json::Type::Integer, false, false, true, false, false, false},
      {"int64 3e9", json::Value(std::int64_t(3000000000)), json::Type::Integer, false, true, true, true, false, false},
      {"uint64 max", json::Value(UINT64_MAX), json::Type::Integer, false, false, false, true, false, false},
      {"float 0.5", json::Value(0.5f), json::Type::Real, false, false, false, false, true, true},
      {"double 1e300", json::Value(1e300), json::Type::Real, false, false, false, false, true, false},
   };
   for (const Flags& c : cases)
   {
      SCOPED_TRACE(c.name);
      EXPECT_EQ(c.type, c.value.getType());
      EXPECT_EQ(c.isInt, c.value.isInt());
      EXPECT_EQ(c.isUInt, c.value.isUInt());
      EXPECT_EQ(c.isInt64, c.value.isInt64());
      EXPECT_EQ(c.isUInt64, c.value.isUInt64());
      EXPECT_EQ(c.isDouble, c.value.isDouble());
      EXPECT_EQ(c.isFloat, c.value.isFloat());
   }
   EXPECT_EQ(0.5, json::Value(0.5f).getDouble());
   EXPECT_EQ(0.100000001490116119384765625, json::Value(0.1f).getDouble());
}

TEST(JsonValue, GettersAndKinds)
{
   json::Value null;
   EXPECT_TRUE(null.isNull());
   EXPECT_EQ(json::Type::Null, null.getType());
   EXPECT_FALSE(null.getBool());

   EXPECT_EQ(json::Type::Boolean, json::Value(true).getType());
   EXPECT_TRUE(json::Value(true).getBool());
   EXPECT_FALSE(json::Value(1).getBool());

   // The 32-bit getters keep the low 32 bits; the 64-bit ones the stored integer.
   json::Value big(std::int64_t(3000000000));
   EXPECT_EQ(-1294967296, big.getInt());
   EXPECT_EQ(3000000000u, big.getUInt());
   EXPECT_EQ(3000000000, big.getInt64());
   EXPECT_EQ(UINT64_MAX, json::Value(UINT64_MAX).getUInt64());
   EXPECT_EQ(-1, json::Value(UINT64_MAX).getInt64());
   EXPECT_EQ(3e9, big.getDouble());

   json::Value text(std::string("a\0b", 3));
   EXPECT_EQ("a", text.getString());
   EXPECT_EQ(json::Type::String, text.getType());
   EXPECT_STREQ("a", text.getAs<const char*>());

   json::Value nul = parsed(R"("x\u0000y")");
   EXPECT_EQ(std::string("x\0y", 3), nul.getString());

   EXPECT_EQ(7, json::Value(7).getAs<int>());
   EXPECT_EQ("s", json::Value("s").getAs<std::string>());
   EXPECT_TRUE(json::Value(7).holds<int>());
   EXPECT_FALSE(json::Value(7.0).holds<int>());
   EXPECT_FALSE(json::Value().holds<std::string>());
   EXPECT_TRUE(json::Object().holds<json::Object>());
   EXPECT_TRUE(json::Array().holds<json::Array>());
   json::Value array = parsed("[1]");
   json::Array arrayCopy = array.getAs<json::Array>();
   arrayCopy.push_back(json::Value(2));
   EXPECT_EQ("[1]", array.write());
   json::Value object = parsed(R"({"k":1})");
   json::Object objectCopy = object.getAs<json::Object>();
   objectCopy["k"] = 2;
   EXPECT_EQ(R"({"k":1})", object.write());
   EXPECT_EQ(json::Type::String, json::asJsonType(std::string("x")));
   EXPECT_EQ(json::Type::Array, json::asJsonType(json::Array()));
}

TEST(JsonValue, TypeTexts)
{
   EXPECT_EQ("<Array>", json::typeAsString(json::Type::Array));
   EXPECT_EQ("<Real>", json::typeAsString(json::Type::Real));
   EXPECT_EQ("<Null>", json::typeAsString(json::Type::Null));
   EXPECT_EQ("<Unknown>", json::typeAsString(json::Type::Unknown));
   EXPECT_EQ("<Unknown>", json::typeAsString(static_cast<json::Type>(42)));
   std::ostringstream os;
   os << json::Type::Boolean;
   EXPECT_EQ("<Boolean>", os.str());
}

TEST(JsonValue, CopiesAreDeepAndIndependent)
{
   json::Value source = parsed(R"({"a":[1,2]})");
   json::Value copied(source);
   json::Value cloned = source.clone();
   json::Value assigned;
   assigned = source;
   json::Object original = source.getObject();
   for (json::Value* copy : {&copied, &cloned, &assigned})
   {
      copy->getObject()["a"].getArray().push_back(json::Value(3));
      copy->getObject()["b"] = "x";
   }
   EXPECT_EQ(R"({"a":[1,2]})", source.write());
   EXPECT_EQ(R"({"a":[1,2,3],"b":"x"})", copied.write());
   EXPECT_FALSE(copied == source);

   json::Array array = json::Array();
   array.push_back(json::Value(1));
   json::Array copiedArray(array);
   copiedArray.push_back(json::Value(2));
   EXPECT_EQ(1u, array.getSize());
}

// Far more than a copy builds on its own working memory: deep nesting, many members
// and long strings, so that every part of the copy's work outgrows it.
TEST(JsonValue, CopiesOfLargeValuesAreWhole)
{
   std::string text = R"({"long":")" + std::string(10000, 'x') + R"(","many":[)";
   for (int i = 0; i < 3000; ++i)
      text += (i == 0 ? "" : ",") + std::to_string(i);
   text += R"(],"deep":)" + std::string(999, '[') + R"("end")" + std::string(999, ']') + "}";
   const json::Value source = parsed(text.c_str());
   ASSERT_EQ(text, source.write());

   json::Value assigned("old");
   assigned = source;
   json::Object holder;
   holder["copy"] = source;
   for (const json::Value& copy : {json::Value(source), source.clone(), assigned, holder["copy"]})
      EXPECT_EQ(text, copy.write());
   EXPECT_EQ(text, source.write());
}

TEST(JsonValue, MovesLeaveValueSourcesNullButCopyContainers)
{
   json::Value source = parsed("[1,2]");
   json::Value moved(std::move(source));
   EXPECT_TRUE(source.isNull());
   EXPECT_EQ("[1,2]", moved.write());

   json::Value target(5);
   target = std::move(moved);
   EXPECT_TRUE(moved.isNull());
   EXPECT_EQ("[1,2]", target.write());

   json::Array array;
   array.push_back(json::Value(1));
   json::Array constructed(std::move(array));
   EXPECT_EQ("[1]", array.write());
   EXPECT_EQ("[1]", constructed.write());

   json::Array assignedArray;
   assignedArray = std::move(array);
   EXPECT_TRUE(array.isNull());
   EXPECT_EQ("[1]", assignedArray.write());

   json::Object object;
   object["k"] = 1;
   json::Object constructedObject(std::move(object));
   EXPECT_EQ(R"({"k":1})", object.write());
   json::Object assignedObject;
   assignedObject = std::move(object);
   EXPECT_TRUE(object.isNull());
}

TEST(JsonValue, MovingFromMemberViewLeavesMemberNull)
{
   json::Value root = parsed(R"({"a":[1],"b":2})");
   json::Object object = root.getObject();
   json::Value view = object["a"];
   json::Value moved(std::move(object["a"]));
   EXPECT_EQ("[1]", moved.write());
   EXPECT_EQ(R"({"a":null,"b":2})", root.write());
   EXPECT_TRUE(view.isNull());

   // Assigning from a view copies: the member keeps its value.
   json::Value assigned;
   assigned = object["b"];
   EXPECT_EQ(2, assigned.getInt());
   EXPECT_EQ(R"({"a":null,"b":2})", root.write());
}

TEST(JsonValue, AssigningFromAViewCopies)
{
   // A parsed container has no spare room, so adding to it moves its storage; each
   // right side is a view taken before that.
   struct Case
   {
      const char* name;
      const char* start;
      std::function<void(json::Value&)> change;
      const char* result;
   } const cases[] = {
      {"an existing member", R"({"a":["text"],"b":0})",
       [](json::Value& root) {
          json::Object object = root.getObject();
          object["b"] = object["a"];
       },
       R"({"a":["text"],"b":["text"]})"},
      {"a new member", R"({"a":["text"]})",
       [](json::Value& root) {
          json::Object object = root.getObject();
          object["c"] = object["a"];
       },
       R"({"a":["text"],"c":["text"]})"},
      {"a member of a nested object", R"({"x":{"a":["text"]}})",
       [](json::Value& root) {
          json::Object x = root.getObject()["x"].getObject();
          x["c"] = x["a"];
       },
       R"({"x":{"a":["text"],"c":["text"]}})"},
      {"the array handle of a member", R"({"a":["text"]})",
       [](json::Value& root) {
          json::Object object = root.getObject();
          object["c"] = object["a"].getArray();
       },
       R"({"a":["text"],"c":["text"]})"},
      {"an iterated member's value", R"({"a":["text"]})",
       [](json::Value& root) {
          json::Object object = root.getObject();
          object["c"] = (*object.begin()).getValue();
       },
       R"({"a":["text"],"c":["text"]})"},
      {"a view kept across an addition", R"({"a":["text"]})",
       [](json::Value& root) {
          json::Object object = root.getObject();
          json::Value a = object["a"];
          object["c"] = 1;
          object["d"] = std::move(a);
       },
       R"({"a":["text"],"c":1,"d":["text"]})"},
      {"a view whose root moved away", R"({"a":["text"]})",
       [](json::Value& root) {
          json::Value a = root.getObject()["a"];
          json::Value moved(std::move(root));
          root = a;
       },
       R"(["text"])"},
      {"insert", R"({"a":["text"]})",
       [](json::Value& root) {
          json::Object object = root.getObject();
          object.insert("c", object["a"]);
       },
       R"({"a":["text"],"c":["text"]})"},
      {"an element", R"([0,["text"]])",
       [](json::Value& root) {
          json::Array array = root.getArray();
          array[0] = array[1];
       },
       R"([["text"],["text"]])"},
      {"push_back", R"([["text"]])",
       [](json::Value& root) {
          json::Array array = root.getArray();
          array.push_back(array[0]);
          array.push_back(*array.begin());
       },
       R"([["text"],["text"],["text"]])"},
   };
   for (const Case& c : cases)
   {
      SCOPED_TRACE(c.name);
      json::Value root = parsed(c.start);
      c.change(root);
      EXPECT_EQ(c.result, root.write());
   }
}

TEST(JsonValue, MoveAssigningParentsAndChildren)
{
   // A child moved into its own root replaces the root.
   json::Value root = parsed(R"({"a":{"b":1}})");
   json::Value child = root.getObject()["a"];
   root = std::move(child);
   EXPECT_EQ(R"({"b":1})", root.write());

   // Two handles of the same slot: moving one into the other keeps the value.
   json::Value other = parsed(R"({"a":1})");
   json::Value first = other.getObject()["a"];
   json::Value second = other.getObject()["a"];
   first = std::move(second);
   EXPECT_EQ(R"({"a":1})", other.write());

   json::Value text("abc");
   text = text.getAs<const char*>();
   EXPECT_EQ("abc", text.getString());
}

TEST(JsonValue, SharedHandlesAndViews)
{
   json::Value value = parsed("[1]");
   json::Array array = value.getArray();
   array.push_back(json::Value(2));
   EXPECT_EQ(2u, value.getArray().getSize());
   EXPECT_TRUE(array == value);

   // Assigning to a view changes the element in place.
   array[0] = "x";
   EXPECT_EQ(R"(["x",2])", value.write());

   ASSERT_FALSE(value.parse(R"({"k":true})"));
   EXPECT_TRUE(array.isObject());

   json::Object object = value.getObject();
   EXPECT_TRUE(object["k"] == object["k"]);
   EXPECT_FALSE(json::Value(1) == json::Value(1));
   EXPECT_TRUE(value == value);
}

TEST(JsonValue, ViewsKeepTheDocumentAlive)
{
   auto memberView = [] {
      json::Value root = parsed(R"({"a":{"b":"kept"},"c":1})");
      return root.getObject()["a"].getObject();
   };
   json::Object view = memberView();
   EXPECT_EQ(R"({"b":"kept"})", view.write());
   view["c"] = 1;
   EXPECT_EQ(R"({"b":"kept","c":1})", view.write());

   auto firstMember = [] {
      json::Value root = parsed(R"({"a":{"b":"kept"}})");
      return *root.getObject().begin();
   };
   json::Object::Member member = firstMember();
   EXPECT_EQ("a", member.getName());
   EXPECT_EQ(R"({"b":"kept"})", member.getValue().write());

   auto elementView = [] {
      json::Value root = parsed(R"([["deep"]])");
      return root.getArray()[0];
   };
   EXPECT_EQ(R"(["deep"])", elementView().write());
}

#if defined(__SANITIZE_ADDRESS__)
#define UNDER_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDER_ADDRESS_SANITIZER 1
#endif
#endif

// Each misuse reaches into the block of a view or member after its last handle has
// gone; the sanitizer must see that block freed, not kept for the next view.
TEST(JsonViewDeathTest, UseAfterReleaseIsReportedUnderAddressSanitizer)
{
#ifndef UNDER_ADDRESS_SANITIZER
   GTEST_SKIP() << "only AddressSanitizer reports a use after release";
#else
   struct Misuse
   {
      const char* name;
      std::function<void()> run;
   };
   const Misuse cases[] = {
      {"assignment through a released element view",
       [] {
          json::Array array = parsed("[1,2]").getArray();
          // The handle's bytes, kept past its end, stand for a handle left dangling.
          alignas(json::Value) unsigned char stale[sizeof(json::Value)];
          {
             const json::Value view = array[0];
             std::memcpy(stale, static_cast<const void*>(&view), sizeof(view));
          }
          *reinterpret_cast<json::Value*>(stale) = 5;
       }},
      {"name of a member that has gone",
       [] {
          json::Object object = parsed(R"({"name":1})").getObject();
          const std::string& name = (*object.begin()).getName();
          std::string copy = name;
          static_cast<void>(copy);
       }},
   };
   for (const Misuse& misuse : cases)
   {
      SCOPED_TRACE(misuse.name);
      EXPECT_DEATH(misuse.run(), "heap-use-after-free");
   }
#endif
}

TEST(JsonArray, AccessEraseAndIteration)
{
   json::Array array = parsed("[1,2,3,4]").getArray();
   EXPECT_EQ(1, array.getFront().getInt());
   EXPECT_EQ(4, array.getBack().getInt());
   EXPECT_EQ(3, array.getValueAt(2).getInt());

   json::Array::Iterator it = array.erase(array.begin());
   EXPECT_EQ(0, (*it).getInt() - 2);
   EXPECT_EQ("[2,3,4]", array.write());
   it = array.erase(++array.begin(), array.end());
   EXPECT_EQ(array.end(), it);
   EXPECT_EQ("[2]", array.write());

   // Appending an element of the same array copies it before the array grows.
   for (int i = 0; i < 10; ++i)
      array.push_back(array[0]);
   EXPECT_EQ(11u, array.getSize());

   json::Array empty;
   EXPECT_TRUE(empty.isEmpty());
   EXPECT_EQ(empty.begin(), empty.erase(empty.begin()));
   EXPECT_EQ(empty.begin(), empty.erase(empty.begin(), empty.end()));

   array.clear();
   EXPECT_EQ(0u, array.getSize());
}

TEST(JsonArray, IteratorsStopAtTheEnds)
{
   json::Array array = parsed("[1,2,3]").getArray();
   std::string forward;
   for (const json::Value& element : array)
      forward += element.write();
   EXPECT_EQ("123", forward);
   std::string backward;
   for (auto it = array.rbegin(); it != array.rend(); ++it)
      backward += (*it).write();
   EXPECT_EQ("321", backward);

   json::Array::Iterator end = array.end();
   ++end;
   end++;
   EXPECT_EQ(array.end(), end);
   EXPECT_TRUE((*end).isNull());
   json::Array::Iterator begin = array.begin();
   --begin;
   EXPECT_EQ(array.begin(), begin);
   EXPECT_EQ(array.begin(), begin--);

   // Iterators look elements up by index, so they see the shifted positions.
   json::Array::Iterator second = ++array.begin();
   array.erase(array.begin());
   EXPECT_EQ(3, (*second).getInt());
}

TEST(JsonObject, MembersKeepInsertionOrder)
{
   json::Object object;
   object["z"] = 1;
   object["a"] = 2;
   object.insert("m", json::Value("x"));
   EXPECT_EQ(R"({"z":1,"a":2,"m":"x"})", object.write());

   EXPECT_EQ(object.end(), object.find("x"));
   EXPECT_EQ(3u, object.getSize());
   EXPECT_FALSE(object.hasMember("x"));
   EXPECT_TRUE(object["x"].isNull());
   EXPECT_EQ(4u, object.getSize());
   EXPECT_EQ("x", (*--object.end()).getName());

   EXPECT_FALSE(object.erase("missing"));
   EXPECT_TRUE(object.erase("z"));
   EXPECT_EQ(R"({"a":2,"m":"x","x":null})", object.write());
   json::Object::Iterator it = object.erase(object.find("m"));
   EXPECT_EQ("x", (*it).getName());
   EXPECT_EQ(R"({"a":2,"x":null})", object.write());

   object.insert(*object.begin());
   EXPECT_EQ(R"({"a":2,"x":null})", object.write());
   json::Object other;
   other.insert(*object.begin());
   EXPECT_EQ(R"({"a":2})", other.write());

   // Inserting a member's own value under a new name survives the storage moving.
   for (int i = 0; i < 20; ++i)
      object.insert("copy" + std::to_string(i), object["a"]);
   EXPECT_EQ(2, object["copy19"].getInt());

   object.clear();
   EXPECT_TRUE(object.isEmpty());
   EXPECT_TRUE(object.isObject());
}

TEST(JsonObject, NamesMatchOverTheirWholeLength)
{
   json::Value value = parsed(R"({"a\u0000b":1,"a":2,"a":3})");
   json::Object object = value.getObject();
   EXPECT_EQ(2, object["a"].getInt());
   EXPECT_EQ(2, object[std::string("a\0b", 3)].getInt());
   EXPECT_EQ(1, (*object.find("a")).getValue().getInt() - 1);
   EXPECT_EQ(3u, object.getSize());
}

TEST(JsonObject, IteratorsAndEmptyMember)
{
   json::Object object = parsed(R"({"a":1,"b":2})").getObject();
   std::string names;
   for (const json::Object::Member& member : object)
      names += member.getName() + member.getValue().write();
   EXPECT_EQ("a1b2", names);
   std::string reversed;
   for (auto it = object.rbegin(); it != object.rend(); ++it)
      reversed += (*it).getName();
   EXPECT_EQ("ba", reversed);

   json::Object::Member past = *object.end();
   EXPECT_EQ("", past.getName());
   EXPECT_TRUE(past.getValue().isNull());
   json::Object::Iterator end = object.end();
   ++end;
   EXPECT_EQ(object.end(), end);

   // Assigning through a member view changes the member in place.
   (*object.begin()).getValue() = "changed";
   EXPECT_EQ(R"({"a":"changed","b":2})", object.write());
}

TEST(JsonContainers, WrongKindReadsAsEmpty)
{
   json::Value number(5);
   json::Array array = number.getArray();
   EXPECT_EQ(0u, array.getSize());
   EXPECT_TRUE(array[3].isNull());
   array.push_back(json::Value(1));
   EXPECT_EQ("5", number.write());
   json::Object object = number.getObject();
   EXPECT_FALSE(object.hasMember("a"));
   EXPECT_TRUE(object["a"].isNull());
   EXPECT_EQ("5", number.write());
   EXPECT_EQ("", number.getString());
   EXPECT_EQ(0, json::Value("x").getInt());
}

} // namespace
