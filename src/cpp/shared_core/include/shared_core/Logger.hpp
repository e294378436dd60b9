// Logger.hpp: the process-wide log registry and the functions that log through it.
//
//   log::addLogDestination(std::make_shared<log::StderrLogDestination>(log::LogLevel::INFO));
//   log::setProgramId("demo");
//   log::logWarningMessage("disk low", ERROR_LOCATION);
//   // 07 Mar 2026 09:05:03 [demo] WARNING disk low; LOGGED FROM: void f() demo.cpp:12
//
// Each message is tested against the highest level ever registered, formatted once
// and handed to the destinations of the default set, or of a named section, in
// ascending id order. No function here throws.
#pragma once

#include <atomic>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>

#include <boost/noncopyable.hpp>

#include <shared_core/Error.hpp>
#include <shared_core/ILogDestination.hpp>
#include <shared_core/LogLevel.hpp>
#include <shared_core/ReadWriteMutex.hpp>

namespace velorin::core::log {

// The registry record: one per process, built on first use by logger() and never
// destroyed, so that logging from static destructors at exit is safe.
class Logger : boost::noncopyable
{
public:
   using Destinations = std::map<unsigned int, std::shared_ptr<ILogDestination>>;

   void addDestination(const std::shared_ptr<ILogDestination>& destination, const std::string& section);
   void removeDestination(unsigned int id, const std::string& section);
   void setProgramId(const std::string& programId);
   std::string getProgramId() const;

   // The highest level of any destination ever registered; OFF before the first.
   LogLevel getMaximumLevel() const
   {
      return static_cast<LogLevel>(maximumLevel_.load(std::memory_order_relaxed));
   }

   void writeMessage(LogLevel level,
                     const std::string& message,
                     const std::string& section,
                     const ErrorLocation& location);

private:
   friend Logger& logger();
   Logger();

   // Read without the lock, so that dropped messages cost nothing; it only rises.
   std::atomic<int> maximumLevel_;
   // Swapped whole, so readers outside the lock never see a half-written id.
   std::shared_ptr<const std::string> programId_;
   Destinations defaultDestinations_;
   std::map<std::string, Destinations> sectionDestinations_;
   ReadWriteMutex mutex_;
};

Logger& logger();

void addLogDestination(const std::shared_ptr<ILogDestination>& destination);
void addLogDestination(const std::shared_ptr<ILogDestination>& destination, const std::string& section);
// With an empty section, from the default set and from every section.
void removeLogDestination(unsigned int id, const std::string& section = std::string());
void setProgramId(const std::string& programId);

void logErrorMessage(const std::string& message, const std::string& section = std::string());
void logErrorMessage(const std::string& message, const std::string& section, const ErrorLocation& location);
void logErrorMessage(const std::string& message, const ErrorLocation& location);
void logWarningMessage(const std::string& message, const std::string& section = std::string());
void logWarningMessage(const std::string& message, const std::string& section, const ErrorLocation& location);
void logWarningMessage(const std::string& message, const ErrorLocation& location);
void logInfoMessage(const std::string& message, const std::string& section = std::string());
void logInfoMessage(const std::string& message, const std::string& section, const ErrorLocation& location);
void logInfoMessage(const std::string& message, const ErrorLocation& location);
void logDebugMessage(const std::string& message, const std::string& section = std::string());
void logDebugMessage(const std::string& message, const std::string& section, const ErrorLocation& location);
void logDebugMessage(const std::string& message, const ErrorLocation& location);

// Pass the location of the logging site: the error's own is already in its text.
void logError(const Error& error);
void logError(const Error& error, const ErrorLocation& location);
void logErrorAsWarning(const Error& error);
void logErrorAsInfo(const Error& error);
void logErrorAsDebug(const Error& error);

// The line an ERROR message with the error's text would have, outside the registry.
std::string formatErrorLogEntry(const Error& error);
std::ostream& writeErrorLogEntry(const Error& error, std::ostream& os);

// A copy with every ';' replaced by a space: ';' separates the parts of a line.
std::string cleanDelimiters(const std::string& text);

} // namespace velorin::core::log
