// JsonRpc.cpp: the "jsonrpc" error category, request parsing, the reply object and
// typed member reading.
//
// A request is read member by member in document order, so a repeated name is met
// twice and the later value wins, and the first bad member decides the error while
// the members before it stay stored.
#include <core/json/JsonRpc.hpp>

#include <exception>
#include <ostream>
#include <string_view>
#include <type_traits>

#include <boost/assert.hpp>

#include <core/http/Response.hpp>
#include <shared_core/Logger.hpp>

#include "../LogText.hpp"

namespace velorin::core::json {
namespace {

constexpr int kExecutionError = static_cast<int>(JsonRpcErrorCode::ExecutionError);

Error jsonRpcError(JsonRpcErrorCode code, const ErrorLocation& location)
{
   return Error(makeJsonRpcErrorCode(code), location);
}

// The JSON model reads text up to its first NUL, which JSON text never holds raw, so a
// text with one is refused whole rather than read cut short.
bool parseObjectText(const std::string& text, Value* value)
{
   return text.find('\0') == std::string::npos && !value->parse(text) && value->isObject();
}

// Reads one member into the request; a success lets the walk go on.
Error readRequestMember(const Object::Member& member, JsonRpcRequest* request)
{
   // A view, so that each comparison below is a length test and, on a match, one
   // comparison of bytes, all inline.
   const std::string_view name = member.getName();
   const Value value = member.getValue();
   if (name == "method")
   {
      if (!value.isString())
         return jsonRpcError(JsonRpcErrorCode::InvalidRequest, ERROR_LOCATION);
      request->method = value.getString();
   }
   else if (name == "params")
   {
      if (!value.isArray())
         return jsonRpcError(JsonRpcErrorCode::ParameterTypeMismatch, ERROR_LOCATION);
      // Copied straight from the view, with no handle of its own between.
      request->params = value;
   }
   else if (name == "kwparams")
   {
      if (!value.isObject())
         return jsonRpcError(JsonRpcErrorCode::ParameterTypeMismatch, ERROR_LOCATION);
      request->kwparams = value;
   }
   else if (name == "sourceWnd" || name == "clientId")
   {
      if (!value.isString())
         return jsonRpcError(JsonRpcErrorCode::InvalidRequest, ERROR_LOCATION);
      (name == "sourceWnd" ? request->sourceWnd : request->clientId) = value.getString();
   }
   else if (name == "version")
   {
      const Type type = value.getType();
      request->version = type == Type::Integer || type == Type::Real ? value.getDouble() : 0.0;
   }
   else if (name == "clientVersion")
   {
      request->clientVersion = value.isString() ? value.getString() : std::string();
   }
   return Success();
}

// Stores the member when it is present, not null and of the target's kind; no
// conversions. The caller makes the error, so that a member that is read costs no
// error location.
template <typename T>
bool readTypedMember(const Object& object, const std::string& name, T* value)
{
   const Object::Iterator found = object.find(name);
   if (found == object.end())
      return false;
   const Value member = (*found).getValue();
   if (!member.holds<T>())
      return false;
   // A container is copied straight from the view, with no handle of its own between.
   if constexpr (std::is_base_of<Value, T>::value)
      *value = member;
   else
      *value = member.getAs<T>();
   return true;
}

// Why readTypedMember stored nothing.
Error unreadMemberError(const Object& object, const std::string& name, Type type, const ErrorLocation& location)
{
   const Object::Iterator found = object.find(name);
   if (found == object.end())
      return missingMemberError(name, location);
   return typeMismatchError((*found).getValue(), type, location);
}

// The writer stops at a number JSON cannot hold (NaN or an infinity) and leaves the
// text cut short, with the reply's object still open; a client would read such a reply
// as a broken one, or as a success that lost its result.
bool isWholeJsonText(const std::string& text)
{
   int depth = 0;
   bool inString = false;
   bool escaped = false;
   for (const char c : text)
   {
      if (inString)
      {
         if (escaped)
            escaped = false;
         else if (c == '\\')
            escaped = true;
         else if (c == '"')
            inString = false;
      }
      else if (c == '"')
         inString = true;
      else if (c == '{' || c == '[')
         ++depth;
      else if (c == '}' || c == ']')
         --depth;
   }
   return !text.empty() && depth == 0 && !inString;
}

Error cutShortReplyError(const ErrorLocation& location)
{
   // ERROR_INVALID_DATA
   return systemError(13, "the reply holds a number that JSON cannot write (NaN or an infinity)", location);
}

} // namespace

JsonRpcResponse::JsonRpcResponse() : flagged_(false)
{
   // A member looked up by name is added as null.
   body_["result"];
}

void addErrorProperties(Object* errorObject, const Error& error)
{
   const Error::Properties& properties = error.getProperties();
   if (properties.empty())
      return;
   Object object;
   for (const auto& property : properties)
      object[property.first] = property.second;
   (*errorObject)["properties"] = std::move(object);
}

void copyErrorCodeToJson(const boost::system::error_code& ec, Object* object)
{
   (*object)["code"] = ec.value();
   (*object)["message"] = ec.message();
}

const boost::system::error_category& jsonRpcCategory()
{
   static const JsonRpcErrorCategory& category = *new JsonRpcErrorCategory();
   return category;
}

JsonRpcAsyncHandler makeAsyncHandler(const JsonRpcHandler& handler)
{
   return [handler](const JsonRpcRequest& request, const JsonRpcContinuation& continuation) {
      runSynchronousHandler(handler, request, continuation);
   };
}

JsonRpcAsyncMethod makeAsyncMethod(const JsonRpcMethod& method)
{
   return JsonRpcAsyncMethod(method.first, makeAsyncHandler(method.second));
}

boost::system::error_code makeJsonRpcErrorCode(int code)
{
   return boost::system::error_code(code, jsonRpcCategory());
}

boost::system::error_code makeJsonRpcErrorCode(JsonRpcErrorCode code)
{
   return makeJsonRpcErrorCode(static_cast<int>(code));
}

std::string JsonRpcErrorCategory::message(int code) const
{
   switch (static_cast<JsonRpcErrorCode>(code))
   {
      case JsonRpcErrorCode::Success:
         return "Method call succeeded";
      case JsonRpcErrorCode::ServiceUnreachable:
         return "Unable to connect to service";
      case JsonRpcErrorCode::ServiceUnavailable:
         return "Service currently unavailable";
      case JsonRpcErrorCode::ClientUnauthorized:
         return "Client unauthorized";
      case JsonRpcErrorCode::InvalidClientId:
         return "Invalid client id";
      case JsonRpcErrorCode::InvalidJson:
         return "Invalid json or unexpected error occurred while parsing";
      case JsonRpcErrorCode::InvalidRequest:
         return "Invalid json-rpc request";
      case JsonRpcErrorCode::MethodNotFound:
         return "Method not found";
      case JsonRpcErrorCode::ParameterMissing:
         return "Parameter missing";
      case JsonRpcErrorCode::ParameterTypeMismatch:
         return "Parameter type mismatch";
      case JsonRpcErrorCode::ParameterValueInvalid:
         return "Parameter value invalid";
      case JsonRpcErrorCode::UnexpectedMethodCall:
         return "Unexpected call to method";
      case JsonRpcErrorCode::InvalidClientVersion:
         return "Invalid client version";
      case JsonRpcErrorCode::ServerOffline:
         return "Server is offline";
      case JsonRpcErrorCode::InvalidSession:
         return "Invalid session";
      case JsonRpcErrorCode::LaunchParametersMissing:
         return "Launch parameters for launcher session missing and should be resent";
      case JsonRpcErrorCode::ExecutionError:
         return "Error occurred while executing method";
      case JsonRpcErrorCode::TransmissionError:
         return "Error occurred during transmission";
   }
   BOOST_ASSERT(false);
   return "Unknown error type";
}

Error missingMemberError(const std::string& name, const ErrorLocation& location)
{
   Error error = jsonRpcError(JsonRpcErrorCode::ParameterTypeMismatch, location);
   error.addProperty("description", "no such parameter '" + name + "'");
   return error;
}

const char* JsonRpcErrorCategory::name() const noexcept
{
   return "jsonrpc";
}

bool parseJsonObject(const std::string& text, Object* object)
{
   Value value;
   if (!parseObjectText(text, &value))
      return false;
   *object = std::move(value);
   return true;
}

Error parseJsonRpcRequest(const std::string& input, JsonRpcRequest* request)
{
   try
   {
      Value value;
      if (!parseObjectText(input, &value))
         return jsonRpcError(JsonRpcErrorCode::InvalidRequest, ERROR_LOCATION);
      for (const Object::Member& member : value.getObject())
      {
         Error error = readRequestMember(member, request);
         if (error)
            return error;
      }
      if (request->method.empty())
         return jsonRpcError(JsonRpcErrorCode::InvalidRequest, ERROR_LOCATION);
      return Success();
   }
   catch (const std::exception& e)
   {
      Error error = jsonRpcError(JsonRpcErrorCode::InvalidJson, ERROR_LOCATION);
      error.addProperty("exception", e.what());
      return error;
   }
}

bool parseJsonRpcRequestForMethod(const std::string& input,
                                  const std::string& method,
                                  JsonRpcRequest* request,
                                  http::Response* response)
{
   Error error = parseJsonRpcRequest(input, request);
   if (!error && request->method != method)
   {
      error = jsonRpcError(JsonRpcErrorCode::MethodNotFound, ERROR_LOCATION);
      // The property goes into the log line, and the method is the client's text.
      error.addProperty("method", escapeLineBreaks(request->method));
   }
   if (!error)
      return true;
   log::logError(error, ERROR_LOCATION);
   setJsonRpcErrorResponse(error, response, false);
   return false;
}

Error readObject(const Object& object, const std::string& name, std::string* value)
{
   if (readTypedMember(object, name, value))
      return Success();
   return unreadMemberError(object, name, Type::String, ERROR_LOCATION);
}

Error readObject(const Object& object, const std::string& name, Object* value)
{
   if (readTypedMember(object, name, value))
      return Success();
   return unreadMemberError(object, name, Type::Object, ERROR_LOCATION);
}

Error readObject(const Object& object, const std::string& name, Array* value)
{
   if (readTypedMember(object, name, value))
      return Success();
   return unreadMemberError(object, name, Type::Array, ERROR_LOCATION);
}

void runSynchronousHandler(const JsonRpcHandler& handler,
                           const JsonRpcRequest& request,
                           const JsonRpcContinuation& continuation)
{
   JsonRpcResponse response;
   if (request.flagResponse)
      response.setFlagged(true);
   const Error error = handler(request, &response);
   continuation(error, &response);
}

void JsonRpcResponse::setAfterResponse(const boost::function<void()>& afterResponse)
{
   afterResponse_ = afterResponse;
}

void JsonRpcResponse::setAsyncHandle(const std::string& handle)
{
   body_.erase("result");
   body_.erase("error");
   body_["asyncHandle"] = handle;
}

void JsonRpcResponse::setError(const Error& error, const Value& clientInfo, bool includeProperties)
{
   if (error.getName() == jsonRpcCategory().name())
   {
      setError(makeJsonRpcErrorCode(error.getCode()), clientInfo);
      return;
   }

   body_.erase("result");
   body_.erase("asyncHandle");
   Object reply;
   copyErrorCodeToJson(makeJsonRpcErrorCode(kExecutionError), &reply);
   Object cause;
   cause["code"] = error.getCode();
   cause["category"] = error.getName();
   cause["message"] = error.getMessage();
   if (error.getLocation().hasLocation())
      cause["location"] = error.getLocation().asString();
   reply["error"] = std::move(cause);
   if (!clientInfo.isNull())
      reply["client_info"] = clientInfo;
   if (includeProperties)
      addErrorProperties(&reply, error);
   body_["error"] = std::move(reply);
}

void JsonRpcResponse::setError(const Error& error, const std::string& clientInfo, bool includeProperties)
{
   setError(error, Value(clientInfo), includeProperties);
}

void JsonRpcResponse::setError(const Error& error, const char* clientInfo, bool includeProperties)
{
   setError(error, Value(clientInfo), includeProperties);
}

void JsonRpcResponse::setError(const Error& error, bool includeProperties)
{
   setError(error, Value(), includeProperties);
}

void JsonRpcResponse::setError(const boost::system::error_code& ec, const Value& clientInfo)
{
   body_.erase("result");
   body_.erase("asyncHandle");
   Object reply;
   copyErrorCodeToJson(ec, &reply);
   if (!clientInfo.isNull())
      reply["client_info"] = clientInfo;
   reply["error"] = Value();
   body_["error"] = std::move(reply);
}

void JsonRpcResponse::setFlagged(bool flagged)
{
   flagged_ = flagged;
}

void setJsonRpcErrorResponse(const Error& error, http::Response* response, bool includeProperties)
{
   JsonRpcResponse jsonRpcResponse;
   jsonRpcResponse.setError(error, includeProperties);
   setJsonRpcResponse(jsonRpcResponse, response);
}

void setJsonRpcResponse(const JsonRpcResponse& jsonRpcResponse, http::Response* response)
{
   // Made once, so that each reply copies it instead of building it on the heap first;
   // never destroyed, since a static object may reply after main.
   static const std::string& jsonType = *new std::string("application/json");
   response->disableCaching();
   if (response->contentType().empty())
      response->setContentType(jsonType);
   const std::string text = jsonRpcResponse.body().write();
   const Error error = isWholeJsonText(text) ? response->setBody(text) : cutShortReplyError(ERROR_LOCATION);
   if (error)
   {
      log::logError(error, ERROR_LOCATION);
      response->respondWithError(500, error.getMessage());
   }
}

void JsonRpcResponse::setRedirectError(const Error& error, const std::string& redirectUrl)
{
   setError(error, false);
   body_["error"].getObject()["redirect_url"] = redirectUrl;
}

void JsonRpcResponse::setResult(const Value& result)
{
   body_.erase("asyncHandle");
   body_.erase("error");
   body_["result"] = result;
}

Error typeMismatchError(const Value& value, Type expectedType, const ErrorLocation& location)
{
   Error error = jsonRpcError(JsonRpcErrorCode::ParameterTypeMismatch, location);
   error.addProperty("description",
                     "expected '" + typeAsString(expectedType) + "'; got '" + typeAsString(value.getType()) + "'");
   return error;
}

void JsonRpcResponse::write(std::ostream& os) const
{
   body_.write(os);
}

} // namespace velorin::core::json
