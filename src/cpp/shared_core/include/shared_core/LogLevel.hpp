// LogLevel.hpp: the severity of a log message and the threshold of a destination.
#pragma once

#include <iosfwd>

namespace velorin::core::log {

// A message of level L is written by a destination whose level is L or higher.
enum class LogLevel : int
{
   OFF = 0,
   ERROR = 1,
   WARNING = 2,
   INFO = 3,
   DEBUG = 4
};

// "OFF", "ERROR", "WARNING", "INFO" or "DEBUG"; below 0 "OFF", above 4 "INFO".
const char* logLevelWord(LogLevel level);
std::ostream& operator<<(std::ostream& os, LogLevel level);

} // namespace velorin::core::log
