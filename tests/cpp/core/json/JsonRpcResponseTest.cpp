// JsonRpcResponseTest.cpp: the reply object's forms and typed member reading.
#include <core/json/JsonRpc.hpp>

#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "CapturingLogDestination.hpp"

namespace velorin::core::json {
namespace {

std::string written(const JsonRpcResponse& response)
{
   std::ostringstream os;
   response.write(os);
   return os.str();
}

// An error whose location text is known: the function, the file and the line.
Error locatedSystemError()
{
   Error error = systemError(5, ErrorLocation("void f()", "src/x.cpp", 12));
   error.addProperty("path", "C:/x");
   error.addProperty("what", "denied");
   error.addProperty("path", "C:/y");
   return error;
}

TEST(JsonRpcResponseTest, LastSetterDecidesTheReply)
{
   JsonRpcResponse response;
   EXPECT_EQ(R"({"result":null})", written(response));
   EXPECT_EQ(R"({"result":null})", response.body().write());
   EXPECT_FALSE(response.flagged());
   EXPECT_TRUE(response.afterResponse().empty());

   const Error methodNotFound(makeJsonRpcErrorCode(7), ERROR_LOCATION);
   response.setError(methodNotFound, false);
   EXPECT_EQ(R"({"error":{"code":7,"message":"Method not found","error":null}})", written(response));
   response.setAsyncHandle("h1");
   EXPECT_EQ(R"({"asyncHandle":"h1"})", written(response));
   response.setError(methodNotFound, true);
   EXPECT_EQ(R"({"error":{"code":7,"message":"Method not found","error":null}})", written(response));
   response.setResult(Value(42));
   EXPECT_EQ(R"({"result":42})", written(response));
   response.setAsyncHandle("h2");
   response.setAsyncHandle("h3");
   EXPECT_EQ(R"({"asyncHandle":"h3"})", written(response));

   int calls = 0;
   response.setAfterResponse([&calls] { ++calls; });
   response.afterResponse()();
   EXPECT_EQ(1, calls);
}

TEST(JsonRpcResponseTest, ErrorReplies)
{
   Error located = locatedSystemError();
   // The message is the system's own text, which differs between Windows versions.
   const std::string inner = R"("error":{"code":5,"category":"system","message":")" + located.getMessage() +
                             R"(","location":"void f() src/x.cpp:12"})";
   const Error notFound = systemError(2, ErrorLocation());
   ASSERT_FALSE(located.getMessage().empty());
   ASSERT_FALSE(notFound.getMessage().empty());
   const std::string outer = R"({"error":{"code":100,"message":"Error occurred while executing method",)";
   Error jsonRpc(makeJsonRpcErrorCode(9), ERROR_LOCATION);
   jsonRpc.addProperty("description", "not sent");

   const struct
   {
      const char* name;
      Error error;
      Value clientInfo;
      bool includeProperties;
      std::string expected;
   } cases[] = {
      {"jsonrpc code alone", jsonRpc, Value(), true,
       R"({"error":{"code":9,"message":"Parameter type mismatch","error":null}})"},
      {"jsonrpc with client info", jsonRpc, Value(3), false,
       R"({"error":{"code":9,"message":"Parameter type mismatch","client_info":3,"error":null}})"},
      {"other error", located, Value(), false, outer + inner + "}}"},
      {"with properties, the first place and the last value of a name", located, Value(), true,
       outer + inner + R"(,"properties":{"path":"C:/y","what":"denied"}}})"},
      {"with client info", located, Value("ci"), true,
       outer + inner + R"(,"client_info":"ci","properties":{"path":"C:/y","what":"denied"}}})"},
      {"no location", notFound, Value(), true,
       outer + R"("error":{"code":2,"category":"system","message":")" + notFound.getMessage() + R"("}}})"},
      {"named error", Error("ExampleError", 4, "Broken", ErrorLocation()), Value(), false,
       outer + R"("error":{"code":4,"category":"ExampleError","message":"Broken"}}})"},
   };
   for (const auto& c : cases)
   {
      JsonRpcResponse response;
      response.setError(c.error, c.clientInfo, c.includeProperties);
      EXPECT_EQ(c.expected, written(response)) << c.name;
   }

   JsonRpcResponse response;
   response.setError(located, std::string("text"), false);
   EXPECT_EQ(outer + inner + R"(,"client_info":"text"}})", written(response));
   response.setError(jsonRpc, "chars", false);
   EXPECT_EQ(R"({"error":{"code":9,"message":"Parameter type mismatch","client_info":"chars","error":null}})",
             written(response));
   response.setError(makeJsonRpcErrorCode(200), Value());
   EXPECT_EQ(R"({"error":{"code":200,"message":"Error occurred during transmission","error":null}})",
             written(response));

   response.setRedirectError(located, "https://example.com/login");
   EXPECT_EQ(outer + inner + R"(,"redirect_url":"https://example.com/login"}})", written(response));
   response.setRedirectError(jsonRpc, "/x");
   EXPECT_EQ(R"({"error":{"code":9,"message":"Parameter type mismatch","error":null,"redirect_url":"/x"}})",
             written(response));
}

TEST(JsonRpcResponseTest, JsonRpcErrorOfUnknownCodeIsWarnedAbout)
{
   const auto log = testing::captureLog();
   JsonRpcResponse response;
   response.setError(Error("jsonrpc", 18, "ours", ErrorLocation()), true);
   EXPECT_EQ(R"({"error":{"code":18,"message":"Unknown error type","error":null}})", written(response));
   EXPECT_FALSE(log->lines().empty());
}

TEST(JsonRpcResponseTest, ReadObjectTakesPresentMembersOfTheTargetKind)
{
   Object object;
   ASSERT_TRUE(parseJsonObject(
      R"({"s":"text","o":{"a":[1]},"a":[{"b":2}],"n":null,"i":7,"e":"","dup":"first","dup":"second"})", &object));

   const struct
   {
      const char* name;
      const char* asString;
      const char* asObject;
      const char* asArray;
   } cases[] = {
      {"s", "=text", "expected '<Object>'; got '<String>'", "expected '<Array>'; got '<String>'"},
      {"o", "expected '<String>'; got '<Object>'", R"(={"a":[1]})", "expected '<Array>'; got '<Object>'"},
      {"a", "expected '<String>'; got '<Array>'", "expected '<Object>'; got '<Array>'", R"(=[{"b":2}])"},
      {"n", "expected '<String>'; got '<Null>'", "expected '<Object>'; got '<Null>'", "expected '<Array>'; got '<Null>'"},
      {"i", "expected '<String>'; got '<Integer>'", "expected '<Object>'; got '<Integer>'",
       "expected '<Array>'; got '<Integer>'"},
      {"e", "=", "expected '<Object>'; got '<String>'", "expected '<Array>'; got '<String>'"},
      {"dup", "=first", "expected '<Object>'; got '<String>'", "expected '<Array>'; got '<String>'"},
      {"S", "no such parameter 'S'", "no such parameter 'S'", "no such parameter 'S'"},
   };
   // "=" and the stored text, or the error's description.
   const auto outcome = [](const Error& error, const std::string& stored) {
      if (!error)
         return "=" + stored;
      EXPECT_EQ("jsonrpc error 9 (Parameter type mismatch)", error.getSummary());
      EXPECT_NE(std::string::npos, error.getLocation().getFunction().find("readObject"));
      return error.getProperty("description");
   };
   for (const auto& c : cases)
   {
      std::string text = "untouched";
      Object target;
      Array array;
      const Error stringError = readObject(object, c.name, &text);
      EXPECT_EQ(c.asString, outcome(stringError, text)) << c.name;
      if (stringError)
      {
         EXPECT_EQ("untouched", text);
      }
      const Error objectError = readObject(object, c.name, &target);
      EXPECT_EQ(c.asObject, outcome(objectError, target.write())) << c.name;
      const Error arrayError = readObject(object, c.name, &array);
      EXPECT_EQ(c.asArray, outcome(arrayError, array.write())) << c.name;
   }

   // What is read shares nothing with the source.
   Object nested;
   ASSERT_FALSE(readObject(object, "o", &nested));
   nested["a"].getArray().push_back(Value(2));
   EXPECT_EQ(R"({"a":[1]})", object["o"].write());
}

TEST(JsonRpcResponseTest, ReadObjectWithSeveralPairsStopsAtTheFirstFailure)
{
   Object object;
   ASSERT_TRUE(parseJsonObject(R"({"first":"1","second":[2],"third":{"x":3}})", &object));

   std::string first;
   Array second;
   Object third;
   EXPECT_FALSE(readObject(object, "first", &first, "second", &second, "third", &third));
   EXPECT_EQ("1", first);
   EXPECT_EQ("[2]", second.write());
   EXPECT_EQ(R"({"x":3})", third.write());

   first.clear();
   std::string missing = "untouched";
   third = Object();
   Error error = readObject(object, "first", &first, "absent", &missing, "third", &third);
   EXPECT_EQ("no such parameter 'absent'", error.getProperty("description"));
   EXPECT_EQ("1", first);
   EXPECT_EQ("untouched", missing);
   EXPECT_EQ("{}", third.write());

   error = readObject(object, "second", &first, "first", &missing);
   EXPECT_EQ("expected '<String>'; got '<Array>'", error.getProperty("description"));
   EXPECT_EQ("untouched", missing);
}

TEST(JsonRpcResponseTest, MemberErrorsCarryTheGivenLocation)
{
   const ErrorLocation location("void g()", "src/y.cpp", 3);
   const Error missing = missingMemberError("p", location);
   EXPECT_EQ("jsonrpc error 9 (Parameter type mismatch)", missing.getSummary());
   EXPECT_EQ(location, missing.getLocation());
   EXPECT_EQ("no such parameter 'p'", missing.getProperty("description"));

   const Error mismatch = typeMismatchError(Value(1.5), Type::Boolean, location);
   EXPECT_EQ(location, mismatch.getLocation());
   EXPECT_EQ("expected '<Boolean>'; got '<Real>'", mismatch.getProperty("description"));
}

} // namespace
} // namespace velorin::core::json
