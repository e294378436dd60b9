// LogCapture.hpp: a log destination that keeps the lines it receives, for tests that
// check what a function logged.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <shared_core/ILogDestination.hpp>
#include <shared_core/Logger.hpp>

namespace velorin::core::test {

class CapturedLines : public log::ILogDestination
{
public:
   CapturedLines() : log::ILogDestination(log::LogLevel::DEBUG) {}

   unsigned int getId() const override { return 77; }

   void writeLog(log::LogLevel level, const std::string& message) override
   {
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.push_back({level, message});
   }

   struct Line
   {
      log::LogLevel level;
      std::string text;
   };

   std::vector<Line> lines() const
   {
      std::lock_guard<std::mutex> lock(mutex_);
      return lines_;
   }

private:
   mutable std::mutex mutex_;
   std::vector<Line> lines_;
};

// Registers a capturing destination for the life of the test (each test case runs in
// a process of its own, so the registry starts empty).
inline std::shared_ptr<CapturedLines> captureLog()
{
   auto destination = std::make_shared<CapturedLines>();
   log::addLogDestination(destination);
   return destination;
}

} // namespace velorin::core::test
