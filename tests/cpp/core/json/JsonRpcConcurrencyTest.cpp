// JsonRpcConcurrencyTest.cpp: calls answered on several threads at once, each with its
// own request and replies, sharing only the "jsonrpc" category from its first use.
#include <core/json/JsonRpc.hpp>

#include <string>

#include <gtest/gtest.h>

#include <core/http/Response.hpp>

#include "ThreadsStartingTogether.hpp"

namespace velorin::core::json {
namespace {

TEST(JsonRpcConcurrencyTest, ThreadsAnsweringAtOnceAgree)
{
   const std::string good = R"({"method":"greet","kwparams":{"name":"Ada"}})";
   const std::string bad = R"({"method":"greet","params":{}})";
   EXPECT_EQ(0, testing::countFailedRounds(8, 200, [&](int, int round) {
                JsonRpcRequest request;
                http::Response response;
                bool read = true;
                if (parseJsonRpcRequestForMethod(round % 2 ? bad : good, "greet", &request, &response))
                {
                   JsonRpcResponse reply;
                   std::string name;
                   read = !readObject(request.kwparams, "name", &name);
                   reply.setResult(Value(name));
                   setJsonRpcResponse(reply, &response);
                }
                const char* expected = round % 2
                                          ? R"({"error":{"code":9,"message":"Parameter type mismatch","error":null}})"
                                          : R"({"result":"Ada"})";
                return read && response.body() == expected;
             }));
}

} // namespace
} // namespace velorin::core::json
