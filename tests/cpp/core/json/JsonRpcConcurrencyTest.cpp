// JsonRpcConcurrencyTest.cpp: calls answered on several threads at once, each with its
// own request and replies, sharing only the "jsonrpc" category from its first use.
#include <core/json/JsonRpc.hpp>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <core/http/Response.hpp>

namespace velorin::core::json {
namespace {

TEST(JsonRpcConcurrencyTest, ThreadsAnsweringAtOnceAgree)
{
   const std::string good = R"({"method":"greet","kwparams":{"name":"Ada"}})";
   const std::string bad = R"({"method":"greet","params":{}})";
   std::atomic<bool> go{false};
   std::atomic<int> wrong{0};
   std::vector<std::thread> threads;
   for (int t = 0; t < 8; ++t)
   {
      threads.emplace_back([&] {
         while (!go)
            std::this_thread::yield();
         for (int i = 0; i < 200; ++i)
         {
            JsonRpcRequest request;
            http::Response response;
            if (parseJsonRpcRequestForMethod(i % 2 ? bad : good, "greet", &request, &response))
            {
               JsonRpcResponse reply;
               std::string name;
               if (readObject(request.kwparams, "name", &name))
                  ++wrong;
               reply.setResult(Value(name));
               setJsonRpcResponse(reply, &response);
            }
            const char* expected = i % 2 ? R"({"error":{"code":9,"message":"Parameter type mismatch","error":null}})"
                                         : R"({"result":"Ada"})";
            if (response.body() != expected)
               ++wrong;
         }
      });
   }
   go = true;
   for (std::thread& thread : threads)
      thread.join();
   EXPECT_EQ(0, wrong);
}

} // namespace
} // namespace velorin::core::json
