// StderrLogDestination.hpp: writes log lines to standard error.
#pragma once

#include <shared_core/ILogDestination.hpp>

namespace velorin::core::log {

class StderrLogDestination : public ILogDestination
{
public:
   explicit StderrLogDestination(LogLevel level);

   // Always 0: there is one standard error.
   unsigned int getId() const override;

   void writeLog(LogLevel level, const std::string& message) override;
};

} // namespace velorin::core::log
