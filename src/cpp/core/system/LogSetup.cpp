// LogSetup.cpp: building the log options, reading "logging.conf" and registering a
// destination for each logger.
#include <core/system/LogSetup.hpp>

#include <atomic>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/thread/lock_guard.hpp>
#include <boost/thread/recursive_mutex.hpp>

#include <core/LogOptions.hpp>
#include <core/system/System.hpp>
#include <shared_core/BoostErrorCategories.hpp>
#include <shared_core/FileLogDestination.hpp>
#include <shared_core/Logger.hpp>
#include <shared_core/StderrLogDestination.hpp>

namespace velorin::core::system {
namespace {

struct LogSetupState
{
   boost::recursive_mutex mutex;
   boost::shared_ptr<log::LogOptions> options;
   std::string programIdentity;
};

// Built on first use and never destroyed, so that a host may set up its logging from a
// global's constructor or destructor.
LogSetupState& setupState()
{
   static LogSetupState* const state = new LogSetupState;
   return *state;
}

// Ids 1 and 2 are never handed out; 0 is standard error's.
std::atomic<unsigned int> s_nextFileDestinationId(3);

// One destination for every logger that writes to standard error, at the level of the
// first that asked for it. Never destroyed, as the set-up's state.
std::shared_ptr<log::ILogDestination> stderrDestination(log::LogLevel level)
{
   static const std::shared_ptr<log::ILogDestination>* const destination =
      new std::shared_ptr<log::ILogDestination>(std::make_shared<log::StderrLogDestination>(level));
   return *destination;
}

// An empty name is the default logger. A logger that gets no destination for a reason
// the host should hear of adds that reason to the problems.
void initLogDestination(const LogSetupState& state, const std::string& loggerName, std::vector<std::string>* problems)
{
   const log::LogOptions& options = *state.options;
   const log::LogLevel level = options.getLogLevel(loggerName);
   std::shared_ptr<log::ILogDestination> destination;
   switch (options.getLoggerType(loggerName))
   {
      case log::LoggerType::STDERR:
         destination = stderrDestination(level);
         break;
      case log::LoggerType::FILE:
      {
         const log::FileLogOptions fileOptions = boost::get<log::FileLogOptions>(options.getLoggerOptions(loggerName));
         // Without a folder the file would land in the working directory.
         if (fileOptions.getDirectory().isEmpty())
         {
            problems->push_back((loggerName.empty() ? std::string("The default logger") : "The logger " + loggerName) +
                                " writes no log file: it has no \"log-dir\" and no log folder to inherit (the "
                                "per-user settings folder was not found, or the set-up was given none)");
            return;
         }
         destination = std::make_shared<log::FileLogDestination>(s_nextFileDestinationId.fetch_add(1), level,
                                                                  state.programIdentity, fileOptions);
         break;
      }
      default:
         return; // there is no system log here
   }

   if (loggerName.empty())
      log::addLogDestination(destination);
   else
      log::addLogDestination(destination, loggerName);
}

// Problems are logged once every logger has its destination, so that they reach the
// destinations this set-up made.
void initLogDestinations(const LogSetupState& state)
{
   log::setProgramId(state.programIdentity);
   std::vector<std::string> problems;
   initLogDestination(state, std::string(), &problems);
   for (const std::string& logger : state.options->getLoggers())
      initLogDestination(state, logger, &problems);
   for (const std::string& problem : problems)
      log::logErrorMessage(problem);
}

// Called with the set-up lock held.
Error reloadLogConfiguration(const LogSetupState& state)
{
   Error error = state.options->read();
   if (error)
      return error;
   initLogDestinations(state);
   return Success();
}

// Called from a catch block, after the lock has gone with the stack.
void logCaughtException(const ErrorLocation& location)
{
   try
   {
      throw;
   }
   catch (const boost::thread_resource_error& e)
   {
      log::logError(Error(boost::thread_error::error_code_from_exception(e), location), location);
   }
   catch (const std::exception& e)
   {
      log::logErrorMessage(std::string("Unexpected exception: ") + e.what());
   }
   catch (...)
   {
      log::logErrorMessage("Unknown exception");
   }
}

Error initializeLogWith(const std::string& programIdentity,
                        log::LogLevel logLevel,
                        log::LoggerType loggerType,
                        const log::LoggerOptions& loggerOptions,
                        bool enableConfigReload,
                        const ErrorLocation& location)
{
   try
   {
      LogSetupState& state = setupState();
      boost::lock_guard<boost::recursive_mutex> lock(state.mutex);
      state.options = boost::make_shared<log::LogOptions>(programIdentity, logLevel, loggerType, loggerOptions);
      state.programIdentity = programIdentity;
      Error error = reloadLogConfiguration(state);
      if (error)
         return error;
   }
   catch (...)
   {
      logCaughtException(location);
   }

   if (enableConfigReload)
      initializeLogConfigReload();
   return Success();
}

} // namespace

Error initializeLog(const std::string& programIdentity,
                    log::LogLevel logLevel,
                    const FilePath& logDir,
                    bool enableConfigReload)
{
   return initializeLogWith(programIdentity, logLevel, log::LoggerType::FILE, log::FileLogOptions(logDir),
                            enableConfigReload, ERROR_LOCATION);
}

Error initializeStderrLog(const std::string& programIdentity, log::LogLevel logLevel, bool enableConfigReload)
{
   return initializeLogWith(programIdentity, logLevel, log::LoggerType::STDERR, log::StderrLogOptions(),
                            enableConfigReload, ERROR_LOCATION);
}

void logAtLevel(log::LogLevel level, const std::string& message, const std::string& section)
{
   switch (level)
   {
      case log::LogLevel::ERROR: log::logErrorMessage(message, section); break;
      case log::LogLevel::WARNING: log::logWarningMessage(message, section); break;
      case log::LogLevel::INFO: log::logInfoMessage(message, section); break;
      case log::LogLevel::DEBUG: log::logDebugMessage(message, section); break;
      default: break;
   }
}

void logAtLevel(log::LogLevel level, const char* message, const std::string& section)
{
   logAtLevel(level, std::string(message), section);
}

const char* logLevelToStr(log::LogLevel level)
{
   switch (level)
   {
      case log::LogLevel::OFF: return "OFF";
      case log::LogLevel::ERROR: return "ERROR";
      case log::LogLevel::WARNING: return "WARNING";
      case log::LogLevel::INFO: return "INFO";
      case log::LogLevel::DEBUG: return "DEBUG";
   }
   log::logWarningMessage("Unexpected log level: " + std::to_string(static_cast<int>(level)), ERROR_LOCATION);
   return "ERROR";
}

log::LogLevel lowestLogLevel()
{
   try
   {
      LogSetupState& state = setupState();
      boost::lock_guard<boost::recursive_mutex> lock(state.mutex);
      return state.options ? state.options->getLowestLogLevel() : log::LogLevel::WARNING;
   }
   catch (...)
   {
      logCaughtException(ERROR_LOCATION);
   }
   return log::LogLevel::WARNING;
}

Error reinitLog()
{
   try
   {
      LogSetupState& state = setupState();
      boost::lock_guard<boost::recursive_mutex> lock(state.mutex);
      if (state.options)
         return reloadLogConfiguration(state);
   }
   catch (...)
   {
      logCaughtException(ERROR_LOCATION);
   }
   return Success();
}

} // namespace velorin::core::system
