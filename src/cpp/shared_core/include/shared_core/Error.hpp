// Error.hpp: the value every fallible operation of the library returns.
//
//   Error error = readConfig(path);
//   if (error)
//      log::logError(error, ERROR_LOCATION);
//
// An error holds a code, a name (its category's or a given one), a message, ordered
// name/value properties, a cause and its location. Copies share one implementation
// until one of them changes; a success value holds none and allocates nothing.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <boost/system/error_code.hpp>

#include <shared_core/ErrorLocation.hpp>

namespace velorin::core {

class FilePath;

// The empty polymorphic base of every error.
class ErrorLock
{
public:
   virtual ~ErrorLock();
};

class [[nodiscard]] Error : public virtual ErrorLock
{
public:
   using Properties = std::vector<std::pair<std::string, std::string>>;

   // Inline, so that returning and copying a success value costs next to nothing.
   Error() = default;
   Error(const Error& other) = default;
   Error& operator=(const Error& other) = default;
   ~Error() override = default;

   Error(const boost::system::error_code& ec, const ErrorLocation& location);
   Error(const boost::system::error_code& ec, const Error& cause, const ErrorLocation& location);
   Error(const boost::system::error_code& ec, std::string message, const ErrorLocation& location);
   Error(const boost::system::error_code& ec,
         std::string message,
         const Error& cause,
         const ErrorLocation& location);
   Error(std::string name, int code, const ErrorLocation& location);
   Error(std::string name, int code, const Error& cause, const ErrorLocation& location);
   Error(std::string name, int code, std::string message, const ErrorLocation& location);
   Error(std::string name,
         int code,
         std::string message,
         const Error& cause,
         const ErrorLocation& location);

   // Readers give a value without implementation an empty one; it stays a success.
   int getCode() const;
   const std::string& getName() const;
   const std::string& getMessage() const;
   const Properties& getProperties() const;
   std::string getProperty(const std::string& name) const;
   const Error& getCause() const;
   const ErrorLocation& getLocation() const;

   bool isError() const;
   bool isExpected() const;
   explicit operator bool() const { return isError(); }
   bool operator!() const { return !isError(); }

   // The name, " error ", the code, " (", the message, ")".
   std::string getSummary() const;
   // The summary, the properties, the location and the cause's own text.
   std::string asString() const;

   void addProperty(const std::string& name, const std::string& value);
   void addProperty(const std::string& name, const char* value);
   void addProperty(const std::string& name, int value);
   void addProperty(const std::string& name, const FilePath& value);
   void addOrUpdateProperty(const std::string& name, const std::string& value);
   void addOrUpdateProperty(const std::string& name, const char* value);
   void addOrUpdateProperty(const std::string& name, int value);
   void addOrUpdateProperty(const std::string& name, const FilePath& value);
   void setExpected();

   // Errors are equal by code and name; all success values are equal.
   bool operator==(const Error& other) const;
   bool operator!=(const Error& other) const { return !(*this == other); }
   bool operator==(const boost::system::error_code& ec) const;
   bool operator!=(const boost::system::error_code& ec) const { return !(*this == ec); }

private:
   struct Impl;

   Impl& impl() const;
   // Makes the implementation this value's own before a change.
   void copyOnWrite();

   mutable std::shared_ptr<Impl> impl_;
};

// The value an operation that did not fail returns.
class [[nodiscard]] Success : public Error
{
public:
   Success() = default;
};

std::ostream& operator<<(std::ostream& os, const Error& error);

// Marks a failure the caller goes on without (a value keeps its default, a later step
// shows the failure, a clean-up is best effort), so that only careless drops warn. The
// reason stands in a comment beside the call.
inline void ignoreError(const Error& /*error*/) {}

// An error of the system category: Win32 error numbers, as GetLastError gives them.
Error systemError(int code, const ErrorLocation& location);
Error systemError(int code, const std::string& description, const ErrorLocation& location);
Error systemError(int code, const Error& cause, const ErrorLocation& location);

// Name "UnknownError", code 1.
Error unknownError(const std::string& message, const ErrorLocation& location);
Error unknownError(const std::string& message, const Error& cause, const ErrorLocation& location);

} // namespace velorin::core
