// LogLevel.cpp: the words of the log levels.
#include <shared_core/LogLevel.hpp>

#include <ostream>

namespace velorin::core::log {

const char* logLevelWord(LogLevel level)
{
   switch (level)
   {
      case LogLevel::OFF: return "OFF";
      case LogLevel::ERROR: return "ERROR";
      case LogLevel::WARNING: return "WARNING";
      case LogLevel::INFO: return "INFO";
      case LogLevel::DEBUG: return "DEBUG";
   }
   return static_cast<int>(level) < 4 ? "OFF" : "INFO";
}

std::ostream& operator<<(std::ostream& os, LogLevel level)
{
   return os << logLevelWord(level);
}

} // namespace velorin::core::log
