// JsonRpcPipe.cpp: one JSON-RPC call over HTTP, from standard input to standard output,
// so that a request can be piped through the example host:
//
//   body='{"method":"greet","kwparams":{"name":"Ada"}}'
//   printf 'POST /rpc HTTP/1.1\r\nContent-Length: %d\r\n\r\n%s' ${#body} "$body" |
//      velorin_example --jsonrpc
//
// Methods: "greet" (kwparams "name"), "echo" (params back) and "sum" (params, numbers).
// Every JSON-RPC failure is answered in a status-200 reply; the log goes to standard
// error.
#include "JsonRpcPipe.hpp"

#include <algorithm>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <core/http/Request.hpp>
#include <core/http/Response.hpp>
#include <core/json/JsonRpc.hpp>
#include <shared_core/Logger.hpp>
#include <shared_core/StderrLogDestination.hpp>

using namespace velorin::core;

namespace {

Error greet(const json::JsonRpcRequest& request, json::JsonRpcResponse* response)
{
   std::string name;
   Error error = json::readObject(request.kwparams, "name", &name);
   if (!error)
      response->setResult(json::Value("Hello, " + name + "!"));
   return error;
}

Error echo(const json::JsonRpcRequest& request, json::JsonRpcResponse* response)
{
   response->setResult(request.params);
   return Success();
}

Error sum(const json::JsonRpcRequest& request, json::JsonRpcResponse* response)
{
   double total = 0;
   for (const json::Value& value : request.params)
   {
      if (value.getType() != json::Type::Integer && value.getType() != json::Type::Real)
         return json::typeMismatchError(value, json::Type::Real, ERROR_LOCATION);
      total += value.getDouble();
   }
   response->setResult(json::Value(total));
   return Success();
}

const std::vector<json::JsonRpcAsyncMethod>& methods()
{
   static const std::vector<json::JsonRpcAsyncMethod> table = {
      json::makeAsyncMethod(json::JsonRpcMethod("greet", greet)),
      json::makeAsyncMethod(json::JsonRpcMethod("echo", echo)),
      json::makeAsyncMethod(json::JsonRpcMethod("sum", sum)),
   };
   return table;
}

// False when there is no start line. The body is what follows the header block, cut
// to "Content-Length" when that is shorter.
bool readRequest(std::istream& in, http::Request* request)
{
   std::string line;
   if (!std::getline(in, line))
      return false;
   std::istringstream startLine(line);
   std::string method;
   std::string uri;
   if (!(startLine >> method >> uri))
      return false;
   request->setMethod(method);
   request->setUri(uri);

   // The header-block parser skips blank lines before the first header, so a request
   // without headers has its blank line taken here.
   if (in.peek() == '\r')
      std::getline(in, line);
   if (line != "\r")
   {
      http::Headers headers;
      http::parseHeaders(in, &headers);
      request->addHeader(headers);
   }
   std::string body{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
   if (request->containsHeader("Content-Length"))
      body.resize(std::min<std::size_t>(body.size(), static_cast<std::size_t>(request->contentLength())));
   request->setBody(std::move(body));
   return true;
}

void dispatch(const http::Request& request, http::Response* response)
{
   json::JsonRpcRequest call;
   Error error = json::parseJsonRpcRequest(request.body(), &call);
   const auto found = std::find_if(methods().begin(), methods().end(),
                                   [&call](const json::JsonRpcAsyncMethod& method) { return method.first == call.method; });
   if (!error && found == methods().end())
   {
      error = Error(json::makeJsonRpcErrorCode(json::JsonRpcErrorCode::MethodNotFound), ERROR_LOCATION);
      error.addProperty("method", call.method);
   }
   if (error)
   {
      log::logError(error, ERROR_LOCATION);
      json::setJsonRpcErrorResponse(error, response, false);
      return;
   }

   found->second(call, [response](const Error& error, json::JsonRpcResponse* reply) {
      if (error)
      {
         log::logError(error, ERROR_LOCATION);
         reply->setError(error, false);
      }
      json::setJsonRpcResponse(*reply, response);
   });
}

} // namespace

int answerJsonRpcRequest(std::istream& in, std::ostream& out)
{
   log::addLogDestination(std::make_shared<log::StderrLogDestination>(log::LogLevel::WARNING));
   log::setProgramId("velorin-example");

   http::Request request;
   http::Response response;
   if (readRequest(in, &request))
      dispatch(request, &response);
   else
      response.respondWithError(400, "The input holds no HTTP request line.");

   for (const boost::asio::const_buffer& buffer : response.toBuffers())
      out.write(static_cast<const char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
   out.flush();
   return out ? 0 : 1;
}
