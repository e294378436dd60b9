// StderrLogDestination.cpp: log lines to std::cerr, unchanged and without a lock.
#include <shared_core/StderrLogDestination.hpp>

#include <iostream>

namespace velorin::core::log {

StderrLogDestination::StderrLogDestination(LogLevel level) : ILogDestination(level)
{
}

unsigned int StderrLogDestination::getId() const
{
   return 0;
}

void StderrLogDestination::writeLog(LogLevel level, const std::string& message)
{
   if (level <= logLevel_)
      std::cerr << message;
}

} // namespace velorin::core::log
