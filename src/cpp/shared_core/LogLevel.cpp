// LogLevel.cpp: the words of the log levels.
#include <shared_core/LogLevel.hpp>

#include <ostream>

namespace velorin::core::log {

std::ostream& operator<<(std::ostream& os, LogLevel level)
{
   switch (level)
   {
      case LogLevel::OFF: return os << "OFF";
      case LogLevel::ERROR: return os << "ERROR";
      case LogLevel::WARNING: return os << "WARNING";
      case LogLevel::INFO: return os << "INFO";
      case LogLevel::DEBUG: return os << "DEBUG";
   }
   return os << (static_cast<int>(level) < 4 ? "OFF" : "INFO");
}

} // namespace velorin::core::log
