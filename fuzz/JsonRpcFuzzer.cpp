// JsonRpcFuzzer.cpp: arbitrary bytes as the body of a JSON-RPC call, parsed, answered
// and written into an HTTP reply. Whatever the body, the reply is status 200 with a
// JSON object that names the outcome: the request's "params" echoed back, or the
// error's "jsonrpc" code.
#include <cstddef>
#include <cstdint>
#include <string>

#include <core/http/Response.hpp>
#include <core/json/JsonRpc.hpp>

#include "FuzzCheck.hpp"

using namespace velorin::core;
using velorin::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   const std::string body(reinterpret_cast<const char*>(data), size);
   json::JsonRpcRequest request;
   http::Response response;
   const Error parseError = json::parseJsonRpcRequest(body, &request);
   const bool accepted = json::parseJsonRpcRequestForMethod(body, "echo", &request, &response);
   check(!accepted || !parseError);

   std::string expected;
   if (accepted)
   {
      json::JsonRpcResponse reply;
      std::string name;
      json::Object options;
      const Error readError = json::readObject(request.kwparams, "name", &name, "options", &options);
      if (readError)
      {
         check(readError.getCode() == 9 && !readError.getProperty("description").empty());
         reply.setError(readError, json::Value(request.clientId), true);
         expected = R"({"error":{"code":9,"message":"Parameter type mismatch","client_info":)" +
                    json::Value(request.clientId).write() + R"(,"error":null}})";
      }
      else
      {
         reply.setResult(request.params);
         expected = R"({"result":)" + request.params.write() + "}";
      }
      json::setJsonRpcResponse(reply, &response);
   }
   else if (parseError)
   {
      check(parseError.getName() == "jsonrpc");
      const int code = parseError.getCode();
      check(code == 5 || code == 6 || code == 9);
      expected = R"({"error":{"code":)" + std::to_string(code) + R"(,"message":)" +
                 json::Value(json::jsonRpcCategory().message(code)).write() + R"(,"error":null}})";
   }
   else
   {
      check(request.method != "echo");
      expected = R"({"error":{"code":7,"message":"Method not found","error":null}})";
   }

   check(response.statusCode() == 200);
   check(response.contentType() == "application/json");
   check(response.body() == expected);
   check(response.contentLength() == static_cast<std::int64_t>(expected.size()));
   json::Value written;
   check(!written.parse(response.body()) && written.isObject());
   return 0;
}
