// LogOptions.hpp: the logging configuration of one program, from what it asked for
// and from the file "logging.conf".
//
//   log::LogOptions options("tool", log::LogLevel::INFO, log::LoggerType::STDERR, log::StderrLogOptions());
//   Error error = options.read();              // a missing file is no error
//   log::LogLevel level = options.getLogLevel("audit");
//
// "logging.conf" lies in the per-user settings folder of "Velorin-Desktop", else in
// the per-machine one of "Velorin"; only the first that exists is read. Its section
// "*" applies to every program, "@" followed by an identity to that program, and any
// other section defines a named logger. Its keys are "log-level" (error, warn, info,
// debug), "logger-type" (stderr, syslog, file), "log-dir", "log-file-mode", "rotate",
// "log-file-include-pid" and "max-size-mb". Every other key fails the whole file.
//
// Two choices are kept for the files already written: OFF has no keyword and is
// configured as "warn", and a type keyword that is not known selects the system log,
// for which no destination is made, so a misspelt type silences its logger.
#pragma once

#include <string>
#include <vector>

#include <boost/variant.hpp>

#include <core/ConfigProfile.hpp>
#include <shared_core/Error.hpp>
#include <shared_core/FileLogOptions.hpp>
#include <shared_core/LogLevel.hpp>

namespace velorin::core::log {

enum class LoggerType
{
   STDERR = 0,
   SYSLOG = 1,
   FILE = 2
};

struct StderrLogOptions
{
};

struct SyslogLogOptions
{
};

// Holds the alternative of the logger's type, in the order of the type's values.
using LoggerOptions = boost::variant<StderrLogOptions, SyslogLogOptions, FileLogOptions>;

class LogOptions
{
public:
   // Warning level, system log.
   explicit LogOptions(const std::string& programIdentity);
   LogOptions(const std::string& programIdentity, LogLevel logLevel, LoggerType loggerType, LoggerOptions options);
   virtual ~LogOptions() = default;

   // Finds and parses "logging.conf". After an error the sections read before stay.
   Error read();

   // An empty name means the program's default logger; a named logger also inherits
   // "*" and "@" + identity. Values that do not convert leave the default in place.
   LogLevel getLogLevel(const std::string& loggerName = std::string()) const;
   LoggerType getLoggerType(const std::string& loggerName = std::string()) const;
   LoggerOptions getLoggerOptions(const std::string& loggerName = std::string()) const;

   // The named loggers, in the order of the file.
   std::vector<std::string> getLoggers() const;

   // The most verbose level of all loggers: the constructor's level until a file is
   // parsed.
   LogLevel getLowestLogLevel() const;

private:
   void initProfile();
   ConfigProfile::LevelValues getLevels(const std::string& loggerName) const;
   void setLowestLogLevel();

   std::string programIdentity_;
   std::string logLevel_;
   std::string loggerType_;
   LoggerOptions loggerOptions_;
   LogLevel lowestLogLevel_;
   ConfigProfile profile_;
};

} // namespace velorin::core::log
