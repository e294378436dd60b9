// JsonRpcHandlerTest.cpp: synchronous handlers run through the asynchronous form.
#include <core/json/JsonRpc.hpp>

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

namespace velorin::core::json {
namespace {

Error echo(const JsonRpcRequest& request, JsonRpcResponse* response)
{
   if (request.params.isEmpty())
      return Error(makeJsonRpcErrorCode(JsonRpcErrorCode::ParameterMissing), ERROR_LOCATION);
   response->setResult(request.params[0]);
   return Success();
}

TEST(JsonRpcHandlerTest, AsyncFormRunsTheHandlerThenTheContinuationOnOneReply)
{
   const JsonRpcAsyncMethod method = makeAsyncMethod(JsonRpcMethod("echo", echo));
   EXPECT_EQ("echo", method.first);

   for (bool flag : {false, true})
   {
      for (const char* body : {R"({"method":"echo","params":["hi"]})", R"({"method":"echo"})"})
      {
         JsonRpcRequest request;
         ASSERT_FALSE(parseJsonRpcRequest(body, &request));
         request.flagResponse = flag;
         int calls = 0;
         method.second(request, [&](const Error& error, JsonRpcResponse* response) {
            ++calls;
            EXPECT_EQ(flag, response->flagged());
            std::string written = response->body().write();
            if (request.params.isEmpty())
            {
               EXPECT_EQ(8, error.getCode());
               EXPECT_EQ(R"({"result":null})", written) << "the continuation decides what an error sends";
            }
            else
            {
               EXPECT_FALSE(error);
               EXPECT_EQ(R"({"result":"hi"})", written);
            }
         });
         EXPECT_EQ(1, calls) << body;
      }
   }
}

TEST(JsonRpcHandlerTest, EmptyOrThrowingPartsStopTheCall)
{
   JsonRpcRequest request;
   int continued = 0;
   const JsonRpcContinuation count = [&continued](const Error&, JsonRpcResponse*) { ++continued; };
   const JsonRpcHandler succeed = [](const JsonRpcRequest&, JsonRpcResponse*) -> Error { return Success(); };
   const JsonRpcHandler fail = [](const JsonRpcRequest&, JsonRpcResponse*) -> Error {
      throw std::runtime_error("handler failed");
   };

   EXPECT_THROW(makeAsyncHandler(JsonRpcHandler())(request, count), boost::bad_function_call);
   EXPECT_THROW(makeAsyncHandler(succeed)(request, JsonRpcContinuation()), boost::bad_function_call);
   EXPECT_THROW(runSynchronousHandler(fail, request, count), std::runtime_error);
   EXPECT_EQ(0, continued);
   runSynchronousHandler(succeed, request, count);
   EXPECT_EQ(1, continued);
}

} // namespace
} // namespace velorin::core::json
