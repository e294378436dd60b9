// JsonRpcHttpTest.cpp: JSON-RPC replies written into HTTP responses, and the
// single-method endpoint that answers its own failures.
#include <core/json/JsonRpc.hpp>

#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <core/http/Response.hpp>

#include "CapturingLogDestination.hpp"

namespace velorin::core::json {
namespace {

// The response as it goes on the wire.
std::string wireText(http::Response* response)
{
   std::string text;
   for (const boost::asio::const_buffer& buffer : response->toBuffers())
      text.append(static_cast<const char*>(buffer.data()), buffer.size());
   return text;
}

TEST(JsonRpcHttpTest, ReplyBecomesAnUncachedJsonBody)
{
   JsonRpcResponse reply;
   reply.setResult(Value("caf\xC3\xA9"));
   http::Response response;
   setJsonRpcResponse(reply, &response);
   EXPECT_EQ("HTTP/1.1 200 OK\r\n"
             "Expires: Fri, 01 Jan 1990 00:00:00 GMT\r\n"
             "Pragma: no-cache\r\n"
             "Cache-Control: no-cache, no-store, max-age=0, must-revalidate\r\n"
             "Content-Type: application/json\r\n"
             "Content-Length: 18\r\n"
             "\r\n"
             "{\"result\":\"caf\xC3\xA9\"}",
             wireText(&response));
}

Array arrayOf(const Value& value)
{
   Array array;
   array.push_back(Value(1));
   array.push_back(value);
   return array;
}

Object objectOf(const Value& value)
{
   Object object;
   object["text"] = "}]\"\\";
   object["inner"] = arrayOf(value);
   return object;
}

// The JSON writer cannot write a NaN or an infinity; such a reply must not go out as
// the text written up to it, while brackets and quotes inside strings are no sign of it.
TEST(JsonRpcHttpTest, ReplyThatIsNoJsonTextAnswersAnErrorPage)
{
   const double nan = std::numeric_limits<double>::quiet_NaN();
   const double infinity = std::numeric_limits<double>::infinity();
   const struct
   {
      Value result;
      const char* body; // null: the status 500 page
   } cases[] = {
      {Value(nan), nullptr},
      {Value(infinity), nullptr},
      {Value(-infinity), nullptr},
      {arrayOf(Value(nan)), nullptr},
      {objectOf(Value(infinity)), nullptr},
      {objectOf(Value(2.5)), R"({"result":{"text":"}]\"\\","inner":[1,2.5]}})"},
      {Value("{[\"\\"), R"({"result":"{[\"\\"})"},
      {Value(1e308), R"({"result":1e308})"},
      {Array(), R"({"result":[]})"},
   };
   for (const auto& c : cases)
   {
      const std::string label = c.body ? c.body : c.result.getType() == Type::Real ? "a number" : "a container";
      const auto log = testing::captureLog();
      JsonRpcResponse reply;
      reply.setResult(c.result);
      http::Response response;
      setJsonRpcResponse(reply, &response);
      EXPECT_EQ(std::to_string(response.body().size()), response.headerValue("Content-Length")) << label;
      const std::vector<std::string> lines = log->lines();
      if (c.body)
      {
         EXPECT_EQ(200, response.statusCode()) << label;
         EXPECT_EQ(c.body, response.body());
         EXPECT_TRUE(lines.empty()) << label;
         continue;
      }
      EXPECT_EQ(500, response.statusCode()) << label;
      EXPECT_EQ("text/html", response.contentType()) << label;
      EXPECT_EQ(std::string::npos, response.body().find("result")) << response.body();
      ASSERT_EQ(1u, lines.size()) << label;
      EXPECT_NE(std::string::npos, lines[0].find("ERROR system error 13")) << lines[0];
      EXPECT_NE(std::string::npos, lines[0].find("setJsonRpcResponse")) << lines[0];
   }
}

TEST(JsonRpcHttpTest, TypeStatusAndEncodingSetEarlier)
{
   const struct
   {
      const char* contentType;
      int status;
      const char* expectedType;
   } cases[] = {
      {"", 200, "application/json"},
      {"text/plain", 200, "text/plain"},
      {"application/json; charset=utf-8", 202, "application/json; charset=utf-8"},
   };
   for (const auto& c : cases)
   {
      http::Response response;
      if (*c.contentType)
         response.setContentType(c.contentType);
      response.setStatusCode(c.status);
      response.setContentEncoding("gzip");
      setJsonRpcResponse(JsonRpcResponse(), &response);
      EXPECT_EQ(c.expectedType, response.contentType()) << c.contentType;
      EXPECT_EQ(c.status, response.statusCode()) << c.contentType;
      EXPECT_EQ("", response.contentEncoding()) << "bodies are stored unencoded";
      EXPECT_EQ(R"({"result":null})", response.body());
      EXPECT_EQ(15, response.contentLength());
   }
}

TEST(JsonRpcHttpTest, ErrorResponseTakesTheErrorAndItsPropertiesWhenAsked)
{
   Error error = systemError(5, ErrorLocation());
   error.addProperty("path", "C:/x");
   // The message is the system's own text, which differs between Windows versions.
   const std::string reply = R"({"error":{"code":100,"message":"Error occurred while executing method",)"
                             R"("error":{"code":5,"category":"system","message":")" + error.getMessage() + R"("})";
   for (bool includeProperties : {false, true})
   {
      http::Response response;
      setJsonRpcErrorResponse(error, &response, includeProperties);
      EXPECT_EQ(200, response.statusCode());
      EXPECT_EQ(reply + (includeProperties ? R"(,"properties":{"path":"C:/x"}}})" : "}}"), response.body());
   }
}

TEST(JsonRpcHttpTest, EndpointAnswersEveryFailureInAStatus200Reply)
{
   const std::string deep = R"({"method":"greet","params":)" + std::string(5000, '[') + std::string(5000, ']') + "}";
   const std::string huge = R"({"method":"greet","kwparams":{"pad":")" + std::string(4 << 20, ' ') + "\"}}";
   const struct
   {
      std::string body;
      bool accepted;
      const char* reply;
      const char* methodProperty;
   } cases[] = {
      {R"({"method":"greet","params":[1]})", true, "", ""},
      {huge, true, "", ""},
      {R"({"method":"other"})", false, R"({"error":{"code":7,"message":"Method not found","error":null}})", "other"},
      {R"({"method":"Greet"})", false, R"({"error":{"code":7,"message":"Method not found","error":null}})", "Greet"},
      {"not json", false, R"({"error":{"code":6,"message":"Invalid json-rpc request","error":null}})", ""},
      {"[\"greet\"]", false, R"({"error":{"code":6,"message":"Invalid json-rpc request","error":null}})", ""},
      {R"({"params":[]})", false, R"({"error":{"code":6,"message":"Invalid json-rpc request","error":null}})", ""},
      {R"({"method":"greet","params":"x"})", false,
       R"({"error":{"code":9,"message":"Parameter type mismatch","error":null}})", ""},
      {deep, false, R"({"error":{"code":6,"message":"Invalid json-rpc request","error":null}})", ""},
      {R"({"method":"x\r\n01 Jan 2026 00:00:00 [demo] ERROR forged\n"})", false,
       R"({"error":{"code":7,"message":"Method not found","error":null}})",
       R"(x\r\n01 Jan 2026 00:00:00 [demo] ERROR forged\n)"},
      {R"({"method":"\r"})", false, R"({"error":{"code":7,"message":"Method not found","error":null}})", R"(\r)"},
   };
   for (const auto& c : cases)
   {
      const std::string label = c.body.substr(0, 40);
      const auto log = testing::captureLog();
      JsonRpcRequest request;
      http::Response response;
      EXPECT_EQ(c.accepted, parseJsonRpcRequestForMethod(c.body, "greet", &request, &response)) << label;
      EXPECT_EQ(200, response.statusCode()) << label;
      EXPECT_EQ(c.reply, response.body()) << label;
      const std::vector<std::string> lines = log->lines();
      if (c.accepted)
      {
         EXPECT_EQ("greet", request.method) << label;
         EXPECT_TRUE(response.headers().empty()) << label;
         EXPECT_TRUE(lines.empty()) << label;
         continue;
      }
      EXPECT_EQ("application/json", response.contentType()) << label;
      ASSERT_EQ(1u, lines.size()) << label;
      EXPECT_EQ(lines[0].size() - 1, lines[0].find_first_of("\r\n")) << "one log line: " << lines[0];
      EXPECT_NE(std::string::npos, lines[0].find("ERROR jsonrpc error")) << lines[0];
      EXPECT_NE(std::string::npos, lines[0].find("parseJsonRpcRequestForMethod")) << lines[0];
      const bool hasMethod = lines[0].find(std::string("[method: ") + c.methodProperty + "]") != std::string::npos;
      EXPECT_EQ(*c.methodProperty != '\0', hasMethod) << lines[0];
   }
}

} // namespace
} // namespace velorin::core::json
