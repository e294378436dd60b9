// JsonRpcRequestTest.cpp: the "jsonrpc" category and reading request bodies member by
// member.
#include <core/json/JsonRpc.hpp>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CapturingLogDestination.hpp"

namespace velorin::core::json {
namespace {

// The request's fields as one line, so that a table can state them all.
std::string fieldsText(const JsonRpcRequest& request)
{
   return request.method + "|" + request.params.write() + "|" + request.kwparams.write() + "|" + request.sourceWnd +
          "|" + request.clientId + "|" + std::to_string(request.version) + "|" + request.clientVersion;
}

TEST(JsonRpcRequestTest, CategoryNamesEveryCodeAndWarnsAboutOthers)
{
   const auto& category = jsonRpcCategory();
   EXPECT_STREQ("jsonrpc", category.name());
   EXPECT_EQ(&category, &makeJsonRpcErrorCode(7).category());
   const std::pair<int, const char*> cases[] = {
      {0, "Method call succeeded"},
      {1, "Unable to connect to service"},
      {2, "Service currently unavailable"},
      {3, "Client unauthorized"},
      {4, "Invalid client id"},
      {5, "Invalid json or unexpected error occurred while parsing"},
      {6, "Invalid json-rpc request"},
      {7, "Method not found"},
      {8, "Parameter missing"},
      {9, "Parameter type mismatch"},
      {10, "Parameter value invalid"},
      {11, "Unexpected call to method"},
      {12, "Invalid client version"},
      {13, "Server is offline"},
      {14, "Invalid session"},
      {17, "Launch parameters for launcher session missing and should be resent"},
      {100, "Error occurred while executing method"},
      {200, "Error occurred during transmission"},
   };
   for (const auto& c : cases)
   {
      const auto log = testing::captureLog();
      EXPECT_EQ(c.second, category.message(c.first)) << c.first;
      EXPECT_TRUE(log->lines().empty()) << c.first;
   }

   for (int code : {15, 16, 18, 99, 101, -1})
   {
      const auto log = testing::captureLog();
      EXPECT_EQ("Unknown error type", category.message(code)) << code;
      const std::vector<std::string> lines = log->lines();
      ASSERT_EQ(1u, lines.size()) << code;
      EXPECT_NE(std::string::npos, lines[0].find("WARNING ASSERTION FAILED: false")) << lines[0];
   }

   const Error error(makeJsonRpcErrorCode(JsonRpcErrorCode::MethodNotFound), ErrorLocation());
   EXPECT_EQ("jsonrpc error 7 (Method not found)", error.getSummary());
}

TEST(JsonRpcRequestTest, MembersAreReadInDocumentOrderUntilTheFirstBadOne)
{
   const struct
   {
      const char* body;
      int code;
      const char* fields;
   } cases[] = {
      {R"({"method":"m","params":[1,"a"],"kwparams":{"k":null},"sourceWnd":"w","clientId":"c",)"
       R"("version":1.5,"clientVersion":"v","other":{"x":[]}})",
       0, R"(m|[1,"a"]|{"k":null}|w|c|1.500000|v)"},
      // Text that is no object.
      {"", 6, "|[]|{}|||0.000000|"},
      {"{\"method\":", 6, "|[]|{}|||0.000000|"},
      {"[\"method\"]", 6, "|[]|{}|||0.000000|"},
      {"\"method\"", 6, "|[]|{}|||0.000000|"},
      {"{\"method\":\"m\"} trailing", 6, "|[]|{}|||0.000000|"},
      // Method missing, empty or of another kind; what came before it stays.
      {R"({"params":[1]})", 6, "|[1]|{}|||0.000000|"},
      {R"({"method":""})", 6, "|[]|{}|||0.000000|"},
      {R"({"clientId":"c","method":3,"sourceWnd":"w"})", 6, "|[]|{}||c|0.000000|"},
      {R"({"method":null})", 6, "|[]|{}|||0.000000|"},
      {R"({"method":"m","sourceWnd":1})", 6, "m|[]|{}|||0.000000|"},
      {R"({"method":"m","clientId":["c"]})", 6, "m|[]|{}|||0.000000|"},
      // Parameters of the wrong kind.
      {R"({"method":"m","params":{"a":1}})", 9, "m|[]|{}|||0.000000|"},
      {R"({"method":"m","kwparams":[1],"clientId":"c"})", 9, "m|[]|{}|||0.000000|"},
      {R"({"method":"m","params":null})", 9, "m|[]|{}|||0.000000|"},
      // Version and client version never fail.
      {R"({"method":"m","version":2,"clientVersion":3})", 0, "m|[]|{}|||2.000000|"},
      {R"({"method":"m","version":"2","clientVersion":"1.2"})", 0, "m|[]|{}|||0.000000|1.2"},
      {R"({"method":"m","version":null})", 0, "m|[]|{}|||0.000000|"},
      {R"({"method":"m","version":-18446744073709551615})", 0, "m|[]|{}|||-18446744073709551616.000000|"},
      // A repeated name is met twice; the later value wins, or fails.
      {R"({"method":"a","method":"b"})", 0, "b|[]|{}|||0.000000|"},
      {R"({"method":"a","method":1})", 6, "a|[]|{}|||0.000000|"},
      // Names compare exactly.
      {R"({"Method":"m"})", 6, "|[]|{}|||0.000000|"},
   };
   for (const auto& c : cases)
   {
      JsonRpcRequest request;
      const Error error = parseJsonRpcRequest(c.body, &request);
      EXPECT_EQ(c.code, error.getCode()) << c.body;
      if (c.code != 0)
      {
         EXPECT_EQ("jsonrpc", error.getName()) << c.body;
         EXPECT_EQ(jsonRpcCategory().message(c.code), error.getMessage()) << c.body;
         EXPECT_TRUE(error.getProperties().empty()) << c.body;
         EXPECT_TRUE(error.getLocation().hasLocation()) << c.body;
      }
      EXPECT_EQ(c.fields, fieldsText(request)) << c.body;
      EXPECT_FALSE(request.flagResponse) << c.body;
   }
}

TEST(JsonRpcRequestTest, RequestIsFilledInPlace)
{
   JsonRpcRequest request;
   request.method = "earlier";
   request.clientId = "kept";
   request.version = 3;
   request.clientVersion = "cleared";
   request.flagResponse = true;
   EXPECT_FALSE(parseJsonRpcRequest(R"({"params":[true],"clientVersion":false})", &request));
   EXPECT_EQ("earlier|[true]|{}||kept|3.000000|", fieldsText(request));
   EXPECT_TRUE(request.flagResponse);

   // Stored containers share nothing with the parsed text's document.
   request.params.push_back(Value(1));
   request.kwparams["a"] = 1;
   EXPECT_EQ("[true,1]", request.params.write());
   EXPECT_EQ("{\"a\":1}", request.kwparams.write());
}

TEST(JsonRpcRequestTest, HostileBodiesAreInvalidRequests)
{
   const std::string deep = std::string(100000, '[') + std::string(100000, ']');
   const std::string deepInParams = R"({"method":"m","params":)" + deep + "}";
   const std::string huge = R"({"method":"m","params":[")" + std::string(8 << 20, 'x') + "\"]}";
   const std::string nul = std::string("{\"method\":\"m\"}\0{", 16);
   JsonRpcRequest request;
   EXPECT_EQ(6, parseJsonRpcRequest(deep, &request).getCode());
   EXPECT_EQ(6, parseJsonRpcRequest(deepInParams, &request).getCode());
   EXPECT_EQ(6, parseJsonRpcRequest(nul, &request).getCode());
   EXPECT_FALSE(parseJsonRpcRequest(huge, &request));
   EXPECT_EQ(std::size_t(8) << 20, request.params[0].getString().size());
}

TEST(JsonRpcRequestTest, ParseJsonObjectStoresOnlyObjects)
{
   const struct
   {
      const char* text;
      bool parsed;
      const char* stored;
   } cases[] = {
      {R"({"b":1,"a":[2]})", true, R"({"b":1,"a":[2]})"},
      {"{}", true, "{}"},
      {"[1]", false, R"({"old":0})"},
      {"null", false, R"({"old":0})"},
      {"{", false, R"({"old":0})"},
      {"", false, R"({"old":0})"},
   };
   for (const auto& c : cases)
   {
      Object object;
      object["old"] = 0;
      EXPECT_EQ(c.parsed, parseJsonObject(c.text, &object)) << c.text;
      EXPECT_EQ(c.stored, object.write()) << c.text;
   }

   // JSON text never holds a raw NUL; the text is not cut short at one.
   Object object;
   EXPECT_FALSE(parseJsonObject(std::string("{}\0x", 4), &object));
}

} // namespace
} // namespace velorin::core::json
