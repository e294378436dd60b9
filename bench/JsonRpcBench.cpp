// JsonRpcBench.cpp: one small JSON-RPC call from the HTTP POST bytes to the written
// HTTP reply, end to end, on 1 and 8 threads: the request read as a host reads it, the
// library's request parsing, typed member reading, reply and HTTP response, beside the
// same work done with raw RapidJSON and HTTP read and written by hand. Both sides
// produce the same bytes; items per second are requests per second.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <benchmark/benchmark.h>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <core/http/Request.hpp>
#include <core/http/Response.hpp>
#include <core/json/JsonRpc.hpp>

#include "ReadRequest.hpp"

using namespace velorin::core;

namespace {

const std::string kBody =
   R"({"method":"greet","params":[],"kwparams":{"name":"Ada","locale":"en-GB"},"sourceWnd":"main",)"
   R"("clientId":"4f1c9d2e-8b7a","version":1,"clientVersion":"2.3.1"})";

// The call as a browser posts it.
const std::string kPost = "POST /rpc/greet HTTP/1.1\r\n"
                          "Host: 127.0.0.1:8787\r\n"
                          "Connection: keep-alive\r\n"
                          "Accept: application/json\r\n"
                          "Content-Type: application/json\r\n"
                          "Origin: http://127.0.0.1:8787\r\n"
                          "User-Agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36\r\n"
                          "Content-Length: " +
                          std::to_string(kBody.size()) + "\r\n\r\n" + kBody;

std::string libraryCall(const std::string& post)
{
   http::Request httpRequest;
   bench::readRequest(post, &httpRequest);
   json::JsonRpcRequest request;
   http::Response response;
   if (json::parseJsonRpcRequestForMethod(httpRequest.body(), "greet", &request, &response))
   {
      json::JsonRpcResponse reply;
      std::string name;
      const Error error = json::readObject(request.kwparams, "name", &name);
      if (error)
         reply.setError(error, false);
      else
         reply.setResult(json::Value("Hello, " + name + "!"));
      json::setJsonRpcResponse(reply, &response);
   }
   std::string wire;
   for (const boost::asio::const_buffer& buffer : response.toBuffers())
      wire.append(static_cast<const char*>(buffer.data()), buffer.size());
   return wire;
}

// The body of the POST as a hand-written reader finds it: the header lines scanned for
// "Content-Length", the body after the blank line.
std::string postBody(const std::string& post)
{
   const std::size_t headerEnd = post.find("\r\n\r\n");
   std::size_t length = 0;
   for (std::size_t line = post.find("\r\n") + 2; line < headerEnd; line = post.find("\r\n", line) + 2)
   {
      static const char kContentLength[] = "content-length:";
      if (::strncasecmp(post.c_str() + line, kContentLength, sizeof(kContentLength) - 1) == 0)
         length = std::strtoul(post.c_str() + line + sizeof(kContentLength) - 1, nullptr, 10);
   }
   return post.substr(headerEnd + 4, length);
}

// The same reply for the same call; the error paths answer only what the library's
// side does for this body.
std::string peerCall(const std::string& post)
{
   const std::string body = postBody(post);
   rapidjson::Document document;
   document.Parse(body.c_str(), body.size());
   rapidjson::StringBuffer reply;
   rapidjson::Writer<rapidjson::StringBuffer> writer(reply);
   writer.StartObject();
   const auto method = document.IsObject() ? document.FindMember("method") : rapidjson::Value::MemberIterator();
   const auto kwparams = document.IsObject() ? document.FindMember("kwparams") : rapidjson::Value::MemberIterator();
   if (!document.IsObject() || method == document.MemberEnd() || !method->value.IsString() ||
       kwparams == document.MemberEnd() || !kwparams->value.IsObject())
   {
      writer.Key("error");
      writer.StartObject();
      writer.Key("code");
      writer.Int(6);
      writer.Key("message");
      writer.String("Invalid json-rpc request");
      writer.Key("error");
      writer.Null();
      writer.EndObject();
   }
   else
   {
      const auto name = kwparams->value.FindMember("name");
      const std::string greeting =
         name != kwparams->value.MemberEnd() && name->value.IsString() ? name->value.GetString() : "";
      writer.Key("result");
      writer.String(("Hello, " + greeting + "!").c_str());
   }
   writer.EndObject();

   std::string wire = "HTTP/1.1 200 OK\r\n"
                      "Expires: Fri, 01 Jan 1990 00:00:00 GMT\r\n"
                      "Pragma: no-cache\r\n"
                      "Cache-Control: no-cache, no-store, max-age=0, must-revalidate\r\n"
                      "Content-Type: application/json\r\n"
                      "Content-Length: ";
   wire += std::to_string(reply.GetSize());
   wire += "\r\n\r\n";
   wire.append(reply.GetString(), reply.GetSize());
   return wire;
}

template <std::string (*call)(const std::string&)>
void answerCall(benchmark::State& state)
{
   if (libraryCall(kPost) != peerCall(kPost))
      state.SkipWithError("the two sides write different replies");
   for (auto _ : state)
   {
      const std::string wire = call(kPost);
      benchmark::DoNotOptimize(wire.data());
   }
   state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(answerCall<libraryCall>)->Name("JsonRpcCall/Library")->Threads(1)->Threads(8)->UseRealTime();
BENCHMARK(answerCall<peerCall>)->Name("JsonRpcCall/Peer:rapidjson")->Threads(1)->Threads(8)->UseRealTime();
