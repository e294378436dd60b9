// ErrorLocation.hpp: where an error was made or a log line was written.
//
//   Error error = systemError(ERROR_ACCESS_DENIED, ERROR_LOCATION);
//   error.getLocation().asString(); // "void f() src/cpp/x.cpp:12"
#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include <boost/current_function.hpp>

namespace velorin::core {

class ErrorLocation
{
public:
   ErrorLocation();
   ErrorLocation(const char* function, const char* file, long line);
   ErrorLocation(const ErrorLocation& other);
   // Leaves the source with a fresh empty location, so that it still reads safely.
   ErrorLocation(ErrorLocation&& other) noexcept;
   ErrorLocation& operator=(const ErrorLocation& other);
   ~ErrorLocation();

   const std::string& getFunction() const;
   const std::string& getFile() const;
   long getLine() const;

   bool hasLocation() const;

   // The function, a space, the file, ':' and the line.
   std::string asString() const;

   bool operator==(const ErrorLocation& other) const;
   bool operator!=(const ErrorLocation& other) const { return !(*this == other); }

private:
   struct Impl;
   std::unique_ptr<Impl> impl_;
};

std::ostream& operator<<(std::ostream& os, const ErrorLocation& location);

} // namespace velorin::core

// The location of the enclosing function, file and line.
#define ERROR_LOCATION ::velorin::core::ErrorLocation(BOOST_CURRENT_FUNCTION, __FILE__, __LINE__)
