// Logger.cpp: the log registry, line formatting and the log front-ends.
#include <shared_core/Logger.hpp>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <ostream>

#include <boost/date_time/posix_time/posix_time_types.hpp>

#include "DestinationWriteScope.hpp"
#include "DispatchedLine.hpp"

namespace velorin::core::log {
namespace {

// Where a thread keeps the time text of the last second it logged in. Plain storage
// with no destructor, so that a line logged while the thread's objects are destroyed
// (from a static object's destructor at exit, say) still finds it.
struct SecondText
{
   std::int64_t second;
   std::size_t length;
   char text[32];
};

// The UTC time of the second as "%d %b %Y %H:%M:%S".
void writeTimeText(std::int64_t secondsSinceEpoch, SecondText& time)
{
   static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
   const boost::posix_time::ptime moment =
      boost::posix_time::ptime(boost::gregorian::date(1970, 1, 1)) + boost::posix_time::seconds(secondsSinceEpoch);
   const auto date = moment.date().year_month_day();
   const auto clock = moment.time_of_day();
   const int length = std::snprintf(time.text, sizeof(time.text), "%02d %s %04d %02d:%02d:%02d",
                                    static_cast<int>(date.day), kMonths[date.month - 1], static_cast<int>(date.year),
                                    static_cast<int>(clock.hours()), static_cast<int>(clock.minutes()),
                                    static_cast<int>(clock.seconds()));
   time.second = secondsSinceEpoch;
   time.length = std::min(static_cast<std::size_t>(std::max(length, 0)), sizeof(time.text) - 1);
}

// Lines come many to a second, so each thread formats the time once per second and
// only reads the clock per line.
const SecondText& currentTimeText()
{
   thread_local SecondText t_time = {std::numeric_limits<std::int64_t>::min(), 0, {}};
   const std::int64_t second =
      std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
   if (second != t_time.second)
      writeTimeText(second, t_time);
   return t_time;
}

std::string formatLogEntry(LogLevel level,
                           const std::string& message,
                           const std::string& programId,
                           const ErrorLocation& location)
{
   const SecondText& time = currentTimeText();
   const char* const word = logLevelWord(level);
   const std::size_t wordLength = std::strlen(word);
   const bool hasLocation = location.hasLocation();
   const std::string where = hasLocation ? cleanDelimiters(location.asString()) : std::string();
   constexpr char kWhereLead[] = "; LOGGED FROM: ";

   // Built in one allocation: lines are formatted for every message that is written.
   std::string line;
   line.reserve(time.length + programId.size() + wordLength + message.size() + sizeof(kWhereLead) + where.size() + 6);
   line.append(time.text, time.length).append(" [").append(programId).append("] ").append(word, wordLength);
   line.append(" ").append(message);
   if (hasLocation)
      line.append(kWhereLead).append(where);
   line.push_back('\n');
   return line;
}

// Shared, so that a front-end without a location allocates nothing for a dropped line.
// Never destroyed, like the registry.
const ErrorLocation& noLocation()
{
   static const ErrorLocation* const empty = new ErrorLocation();
   return *empty;
}

// The level is tested first, so that a dropped line costs one atomic read.
void writeWithoutLocation(LogLevel level, const std::string& message, const std::string& section)
{
   Logger& registry = logger();
   if (level <= registry.getMaximumLevel())
      registry.writeMessage(level, message, section, noLocation());
}

// An error's text is built only when some destination may write it.
void writeErrorText(LogLevel level, const Error& error, const ErrorLocation& location)
{
   if (level > logger().getMaximumLevel())
      return;
   logger().writeMessage(level, error.asString(), std::string(), location);
}

void logDuplicateRegistration(unsigned int id, const std::string& section)
{
   std::string message = "Attempted to register a log destination that has already been registered with id " +
                         std::to_string(id);
   if (!section.empty())
      message += " to section " + section;
   logDebugMessage(message);
}

} // namespace

Logger::Logger()
   : maximumLevel_(static_cast<int>(LogLevel::OFF)), programId_(std::make_shared<const std::string>())
{
}

void Logger::addDestination(const std::shared_ptr<ILogDestination>& destination, const std::string& section)
{
   if (!destination)
      return; // nothing to register, and no id to report
   bool added = false;
   unsigned int id = 0;
   try
   {
      WriteLock lock(mutex_);
      id = destination->getId();
      Destinations& destinations = section.empty() ? defaultDestinations_ : sectionDestinations_[section];
      added = destinations.emplace(id, destination).second;
      const int level = static_cast<int>(destination->getLogLevel());
      if (added && level > maximumLevel_.load())
         maximumLevel_.store(level);
   }
   catch (...)
   {
      added = false;
   }

   if (!added)
      logDuplicateRegistration(id, section);
}

std::string Logger::getProgramId() const
{
   return *std::atomic_load(&programId_);
}

void Logger::removeDestination(unsigned int id, const std::string& section)
{
   bool found = false;
   try
   {
      WriteLock lock(mutex_);
      if (!section.empty())
      {
         auto it = sectionDestinations_.find(section);
         if (it != sectionDestinations_.end() && it->second.erase(id) > 0)
         {
            found = true;
            if (it->second.empty())
               sectionDestinations_.erase(it);
         }
      }
      else
      {
         found = defaultDestinations_.erase(id) > 0;
         for (auto it = sectionDestinations_.begin(); it != sectionDestinations_.end();)
         {
            found = it->second.erase(id) > 0 || found;
            it = it->second.empty() ? sectionDestinations_.erase(it) : std::next(it);
         }
      }
   }
   catch (...)
   {
   }

   if (found)
      return;
   if (section.empty())
      logDebugMessage("Attempted to unregister a log destination that has not been registered with id " +
                      std::to_string(id));
   else
      logDebugMessage(
         "Attempted to unregister a log destination that has not been registered to the specified section (" +
         section + ") with id " + std::to_string(id));
}

void Logger::setProgramId(const std::string& programId)
{
   try
   {
      WriteLock lock(mutex_);
      const std::string current = getProgramId();
      // Logged under the write side, which may also read, so the line shows the old id.
      if (!current.empty() && current != programId)
         logWarningMessage("Changing the program id from " + current + " to " + programId);
      std::atomic_store(&programId_, std::make_shared<const std::string>(programId));
   }
   catch (...)
   {
   }
}

void Logger::writeMessage(LogLevel level,
                          const std::string& message,
                          const std::string& section,
                          const ErrorLocation& location)
{
   // A line from inside a destination's write is dropped before it asks for the lock.
   if (level > getMaximumLevel() || DestinationWriteScope::isActive())
      return;

   try
   {
      ReadLock lock(mutex_);
      const Destinations* destinations = &defaultDestinations_;
      if (!section.empty())
      {
         auto it = sectionDestinations_.find(section);
         if (it == sectionDestinations_.end())
            return;
         destinations = &it->second;
      }

      // The id is only replaced under the write side, so under the read side it is
      // read in place, without the copy that readers outside the lock take.
      const std::string line = formatLogEntry(level, message, *programId_, location);
      DestinationWriteScope writing;
      DispatchedLine dispatched;
      for (const auto& entry : *destinations)
         entry.second->writeLog(level, line);
   }
   catch (...)
   {
      // Logging never fails its caller; the destinations after a failing one get nothing.
   }
}

// Never destroyed: a host's static objects, built before the first log call, are
// destroyed after it, and their destructors, or threads still running during exit,
// may log. The destinations it holds live as long.
Logger& logger()
{
   static Logger* const instance = new Logger();
   return *instance;
}

void addLogDestination(const std::shared_ptr<ILogDestination>& destination)
{
   logger().addDestination(destination, std::string());
}

void addLogDestination(const std::shared_ptr<ILogDestination>& destination, const std::string& section)
{
   logger().addDestination(destination, section);
}

std::string cleanDelimiters(const std::string& text)
{
   std::string cleaned = text;
   std::replace(cleaned.begin(), cleaned.end(), ';', ' ');
   return cleaned;
}

std::string formatErrorLogEntry(const Error& error)
{
   return formatLogEntry(LogLevel::ERROR, error.asString(), logger().getProgramId(), noLocation());
}

void logDebugMessage(const std::string& message, const std::string& section)
{
   writeWithoutLocation(LogLevel::DEBUG, message, section);
}

void logDebugMessage(const std::string& message, const std::string& section, const ErrorLocation& location)
{
   logger().writeMessage(LogLevel::DEBUG, message, section, location);
}

void logDebugMessage(const std::string& message, const ErrorLocation& location)
{
   logger().writeMessage(LogLevel::DEBUG, message, std::string(), location);
}

void logError(const Error& error)
{
   writeErrorText(LogLevel::ERROR, error, noLocation());
}

void logError(const Error& error, const ErrorLocation& location)
{
   writeErrorText(LogLevel::ERROR, error, location);
}

void logErrorAsDebug(const Error& error)
{
   writeErrorText(LogLevel::DEBUG, error, noLocation());
}

void logErrorAsInfo(const Error& error)
{
   writeErrorText(LogLevel::INFO, error, noLocation());
}

void logErrorAsWarning(const Error& error)
{
   writeErrorText(LogLevel::WARNING, error, noLocation());
}

void logErrorMessage(const std::string& message, const std::string& section)
{
   writeWithoutLocation(LogLevel::ERROR, message, section);
}

void logErrorMessage(const std::string& message, const std::string& section, const ErrorLocation& location)
{
   logger().writeMessage(LogLevel::ERROR, message, section, location);
}

void logErrorMessage(const std::string& message, const ErrorLocation& location)
{
   logger().writeMessage(LogLevel::ERROR, message, std::string(), location);
}

void logInfoMessage(const std::string& message, const std::string& section)
{
   writeWithoutLocation(LogLevel::INFO, message, section);
}

void logInfoMessage(const std::string& message, const std::string& section, const ErrorLocation& location)
{
   logger().writeMessage(LogLevel::INFO, message, section, location);
}

void logInfoMessage(const std::string& message, const ErrorLocation& location)
{
   logger().writeMessage(LogLevel::INFO, message, std::string(), location);
}

void logWarningMessage(const std::string& message, const std::string& section)
{
   writeWithoutLocation(LogLevel::WARNING, message, section);
}

void logWarningMessage(const std::string& message, const std::string& section, const ErrorLocation& location)
{
   logger().writeMessage(LogLevel::WARNING, message, section, location);
}

void logWarningMessage(const std::string& message, const ErrorLocation& location)
{
   logger().writeMessage(LogLevel::WARNING, message, std::string(), location);
}

void removeLogDestination(unsigned int id, const std::string& section)
{
   logger().removeDestination(id, section);
}

void setProgramId(const std::string& programId)
{
   logger().setProgramId(programId);
}

std::ostream& writeErrorLogEntry(const Error& error, std::ostream& os)
{
   return os << formatErrorLogEntry(error);
}

} // namespace velorin::core::log
