// CapturingLogDestination.hpp: a log destination for tests that keeps every line it
// is handed, so that tests can check what was logged and in which order.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <shared_core/ILogDestination.hpp>
#include <shared_core/Logger.hpp>

namespace velorin::core::testing {

class CapturingLogDestination : public log::ILogDestination
{
public:
   CapturingLogDestination(unsigned int id, log::LogLevel level) : ILogDestination(level), id_(id) {}

   unsigned int getId() const override { return id_; }

   void writeLog(log::LogLevel level, const std::string& message) override
   {
      if (level > logLevel_)
         return;
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.push_back(message);
   }

   std::vector<std::string> lines() const
   {
      std::lock_guard<std::mutex> lock(mutex_);
      return lines_;
   }

private:
   unsigned int id_;
   mutable std::mutex mutex_;
   std::vector<std::string> lines_;
};

// Registers a capturing destination in the default set for the life of a test.
inline std::shared_ptr<CapturingLogDestination> captureLog(unsigned int id = 1,
                                                           log::LogLevel level = log::LogLevel::DEBUG)
{
   auto destination = std::make_shared<CapturingLogDestination>(id, level);
   log::addLogDestination(destination);
   return destination;
}

// The part of a log line after its time stamp: "[program] LEVEL message...".
inline std::string withoutTimestamp(const std::string& line)
{
   const auto bracket = line.find(" [");
   return bracket == std::string::npos ? line : line.substr(bracket + 1);
}

} // namespace velorin::core::testing
