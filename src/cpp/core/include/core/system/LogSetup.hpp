// LogSetup.hpp: how a host program starts its logging, from its identity, its level
// and "logging.conf".
//
//   Error error = system::initializeStderrLog("tool", log::LogLevel::INFO, false);
//   // or: system::initializeLog("tool", log::LogLevel::INFO, FilePath("C:/logs"), false);
//   log::logInfoMessage("started");     // "... [tool] INFO started"
//
// A set-up reads "logging.conf" (see LogOptions.hpp), sets the program id and
// registers one destination for the default logger and one for each named logger,
// under the logger's name. Standard error is one destination, id 0, shared by every
// logger that asks for it and kept at the level of the first; each file logger gets a
// destination of its own, with ids from 3 on that are never reused. Destinations of
// one file share its writer, and a line goes into the file once, so a named logger
// that inherits the default logger's folder keeps its lines. Nothing is ever removed:
// reinitLog registers again, so a file logger then has one more destination for the
// same file. A file logger with no folder at all (no "log-dir", and no per-user
// settings folder for the default one) gets no destination; the set-up logs why.
//
// A "logging.conf" that cannot be read or parsed is the only error returned; that
// call then registers nothing and leaves the program id alone. The set-up holds a
// recursive lock of its own, taken before the logger's, so it may run on any thread.
#pragma once

#include <string>

#include <shared_core/Error.hpp>
#include <shared_core/FilePath.hpp>
#include <shared_core/LogLevel.hpp>

namespace velorin::core::system {

// enableConfigReload asks for a reload whenever the file changes, which this platform
// does not offer: it has no effect.
Error initializeStderrLog(const std::string& programIdentity, log::LogLevel logLevel, bool enableConfigReload);
// The folder is made by the first file destination that needs it.
Error initializeLog(const std::string& programIdentity,
                    log::LogLevel logLevel,
                    const FilePath& logDir,
                    bool enableConfigReload);

// Reads "logging.conf" again with the options of the last set-up and registers the
// destinations again. Before any set-up it does nothing.
Error reinitLog();

// The most verbose level of any logger; WARNING before the first set-up.
log::LogLevel lowestLogLevel();

// "OFF", "ERROR", "WARNING", "INFO" or "DEBUG"; any other value logs a warning and
// gives "ERROR".
const char* logLevelToStr(log::LogLevel level);

// Logs at the level, into the section's destinations; OFF logs nothing.
void logAtLevel(log::LogLevel level, const std::string& message, const std::string& section = std::string());
void logAtLevel(log::LogLevel level, const char* message, const std::string& section = std::string());

} // namespace velorin::core::system
