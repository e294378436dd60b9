// JsonRpc.hpp: JSON-RPC calls carried in HTTP bodies: the "jsonrpc" error category,
// request parsing, replies, and typed reading of a request's members.
//
//   json::JsonRpcRequest request;
//   if (json::parseJsonRpcRequestForMethod(body, "greet", &request, &httpResponse))
//   {
//      json::JsonRpcResponse reply;
//      std::string name;
//      Error error = json::readObject(request.kwparams, "name", &name);
//      if (error)
//         reply.setError(error, false);
//      else
//         reply.setResult(json::Value("hello " + name));
//      json::setJsonRpcResponse(reply, &httpResponse);
//   }
//
// JSON-RPC failures travel in the body of a status-200 reply; only a body that cannot
// be set turns the HTTP reply into status 500.
#pragma once

#include <iosfwd>
#include <string>
#include <utility>

#include <boost/function.hpp>
#include <boost/system/error_code.hpp>

#include <shared_core/Error.hpp>
#include <shared_core/json/Json.hpp>

namespace velorin::core::http {
class Response;
} // namespace velorin::core::http

namespace velorin::core::json {

// Scoped, so that Success does not hide core::Success inside this namespace.
enum class JsonRpcErrorCode
{
   Success = 0,
   ServiceUnreachable = 1,
   ServiceUnavailable = 2,
   ClientUnauthorized = 3,
   InvalidClientId = 4,
   InvalidJson = 5,
   InvalidRequest = 6,
   MethodNotFound = 7,
   ParameterMissing = 8,
   ParameterTypeMismatch = 9,
   ParameterValueInvalid = 10,
   UnexpectedMethodCall = 11,
   InvalidClientVersion = 12,
   ServerOffline = 13,
   InvalidSession = 14,
   LaunchParametersMissing = 17,
   ExecutionError = 100,
   TransmissionError = 200
};

// "jsonrpc"; a code outside the enumeration reports a failed assertion and reads
// "Unknown error type".
class JsonRpcErrorCategory : public boost::system::error_category
{
public:
   const char* name() const noexcept override;
   std::string message(int code) const override;
};

const boost::system::error_category& jsonRpcCategory();
boost::system::error_code makeJsonRpcErrorCode(int code);
boost::system::error_code makeJsonRpcErrorCode(JsonRpcErrorCode code);

struct JsonRpcRequest
{
   std::string method;
   Array params;
   Object kwparams;
   std::string sourceWnd;
   std::string clientId;
   double version = 0.0;
   std::string clientVersion;
   // Set by the caller, never read from the text; handed on to the reply.
   bool flagResponse = false;
};

// The reply object: {"result": ...}, {"asyncHandle": ...} or {"error": {...}}. Each
// setter removes the other forms, so the last one called decides what is sent.
class JsonRpcResponse
{
public:
   JsonRpcResponse();

   const Object& body() const { return body_; }
   // Kept for the code that sends the reply; nothing here calls it.
   const boost::function<void()>& afterResponse() const { return afterResponse_; }
   bool flagged() const { return flagged_; }

   void setAfterResponse(const boost::function<void()>& afterResponse);
   void setAsyncHandle(const std::string& handle);

   // A "jsonrpc" error sends its code and the category's message alone. Any other
   // error becomes code 100 with the error's code, category, message and location
   // nested inside, and its properties when asked for. A null clientInfo is left out.
   void setError(const Error& error, const Value& clientInfo, bool includeProperties);
   void setError(const Error& error, const std::string& clientInfo, bool includeProperties);
   void setError(const Error& error, const char* clientInfo, bool includeProperties);
   void setError(const Error& error, bool includeProperties);
   // The "jsonrpc" form for any code: "code", "message", "client_info", "error": null.
   void setError(const boost::system::error_code& ec, const Value& clientInfo);

   void setFlagged(bool flagged);

   // The error reply with "redirect_url" as the last member of "error".
   void setRedirectError(const Error& error, const std::string& redirectUrl);

   void setResult(const Value& result);

   // Compact JSON text.
   void write(std::ostream& os) const;

private:
   Object body_;
   boost::function<void()> afterResponse_;
   bool flagged_;
};

typedef boost::function<Error(const JsonRpcRequest&, JsonRpcResponse*)> JsonRpcHandler;
typedef boost::function<void(const Error&, JsonRpcResponse*)> JsonRpcContinuation;
typedef boost::function<void(const JsonRpcRequest&, const JsonRpcContinuation&)> JsonRpcAsyncHandler;
typedef std::pair<std::string, JsonRpcHandler> JsonRpcMethod;
typedef std::pair<std::string, JsonRpcAsyncHandler> JsonRpcAsyncMethod;

// The handler in asynchronous form: each call runs it synchronously.
JsonRpcAsyncHandler makeAsyncHandler(const JsonRpcHandler& handler);
JsonRpcAsyncMethod makeAsyncMethod(const JsonRpcMethod& method);

// Runs the handler on a fresh reply (flagged when the request asks for it), then hands
// the handler's error and that reply to the continuation on the same thread. An empty
// handler or continuation throws boost::bad_function_call; a handler that throws skips
// the continuation.
void runSynchronousHandler(const JsonRpcHandler& handler,
                           const JsonRpcRequest& request,
                           const JsonRpcContinuation& continuation);

// Adds "properties" (each property's value as a string) when the error has any.
void addErrorProperties(Object* errorObject, const Error& error);

// Sets "code" and the category's "message" for it.
void copyErrorCodeToJson(const boost::system::error_code& ec, Object* object);

// Code 9 with the "description" "no such parameter 'name'".
Error missingMemberError(const std::string& name, const ErrorLocation& location);

// True when the text is a JSON object, which then replaces the target.
bool parseJsonObject(const std::string& text, Object* object);

// Parses the request and checks that it names the method. A failure is logged and
// answered in the response as a JSON-RPC error (code 7 with the property "method" for
// another method, its CR and LF written as \r and \n); the response is left alone when
// the result is true.
bool parseJsonRpcRequestForMethod(const std::string& input,
                                  const std::string& method,
                                  JsonRpcRequest* request,
                                  http::Response* response);

// Reads the members in document order into the request, which is filled in place:
// fields whose member is absent keep their values. Code 6 for text that is not an
// object, a method, sourceWnd or clientId that is not a string and an empty method;
// 9 for params that are not an array or kwparams that are not an object. The first
// failing member ends the walk.
Error parseJsonRpcRequest(const std::string& input, JsonRpcRequest* request);

// A member that is present, not null and of the target's kind; no conversions. Every
// failure is code 9 with a "description".
Error readObject(const Object& object, const std::string& name, std::string* value);
Error readObject(const Object& object, const std::string& name, Object* value);
Error readObject(const Object& object, const std::string& name, Array* value);

// Reads the pairs in order and stops at the first failure: targets before it hold
// their new values, later ones are untouched.
template <typename T, typename U, typename... Rest>
Error readObject(const Object& object, const std::string& name, T* value, const char* nextName, U* nextValue,
                 Rest... rest)
{
   Error error = readObject(object, name, value);
   if (error)
      return error;
   return readObject(object, nextName, nextValue, rest...);
}

// A fresh reply holding the error, written into the response.
void setJsonRpcErrorResponse(const Error& error, http::Response* response, bool includeProperties);

// Writes the reply as the compact body of the response with caching disabled, and
// "Content-Type" "application/json" unless a type is set. The status is left alone;
// only a body that cannot be set, or a reply that is no JSON text (one holding NaN or
// an infinity gives system error 13), is logged and answered with status 500.
void setJsonRpcResponse(const JsonRpcResponse& jsonRpcResponse, http::Response* response);

// Code 9 with the "description" "expected '<String>'; got '<Null>'" and the like.
Error typeMismatchError(const Value& value, Type expectedType, const ErrorLocation& location);

} // namespace velorin::core::json
