// ILogDestination.hpp: a sink for formatted log lines.
//
// The registry decides who receives a line; a destination only writes it when the
// line's level is at or below its own. writeLog runs under the registry's read side,
// so a destination must not register or remove destinations. What it logs itself
// while the registry hands it a line, or while one of the library's own destinations
// writes, is dropped; a host that calls its own destination's writeLog directly must
// not log from inside it.
#pragma once

#include <string>

#include <boost/noncopyable.hpp>

#include <shared_core/LogLevel.hpp>

namespace velorin::core::log {

class ILogDestination : boost::noncopyable
{
public:
   virtual ~ILogDestination() = default;

   // The key under which the registry stores the destination.
   virtual unsigned int getId() const = 0;

   // Writes one formatted line, which already ends in a line feed.
   virtual void writeLog(LogLevel level, const std::string& message) = 0;

   LogLevel getLogLevel() const { return logLevel_; }

protected:
   explicit ILogDestination(LogLevel level) : logLevel_(level) {}

   LogLevel logLevel_;
};

} // namespace velorin::core::log
