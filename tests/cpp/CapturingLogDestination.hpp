// CapturingLogDestination.hpp: a log destination for tests that keeps every line it
// is handed, so that tests can check what was logged and in which order.
//
// The registry lives as long as the process, and a test binary runs all its tests in
// one process, so every registration a test makes is undone when the test ends:
// registerForTest hands back a pointer whose last copy removes the destination again,
// and ScopedProgramId puts the program id back.
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

// Registers the destination (in the default set when the section is empty) and returns
// a pointer to it; when the last copy of that pointer goes, the destination's id is
// removed from the default set and every section, or from the given section alone.
template <typename Destination>
std::shared_ptr<Destination> registerForTest(std::shared_ptr<Destination> destination,
                                             const std::string& section = std::string())
{
   struct Registration
   {
      ~Registration() { log::removeLogDestination(destination->getId(), section); }

      std::shared_ptr<Destination> destination;
      std::string section;
   };

   if (section.empty())
      log::addLogDestination(destination);
   else
      log::addLogDestination(destination, section);
   const std::shared_ptr<Registration> registration(new Registration{destination, section});
   return std::shared_ptr<Destination>(registration, registration->destination.get());
}

// Registers a capturing destination in the default set for the life of the pointer.
inline std::shared_ptr<CapturingLogDestination> captureLog(unsigned int id = 1,
                                                           log::LogLevel level = log::LogLevel::DEBUG)
{
   return registerForTest(std::make_shared<CapturingLogDestination>(id, level));
}

// Sets the program id for one scope and puts the previous one back afterwards.
class ScopedProgramId
{
public:
   explicit ScopedProgramId(const std::string& programId) : previous_(log::logger().getProgramId())
   {
      log::setProgramId(programId);
   }
   ~ScopedProgramId() { log::setProgramId(previous_); }

   ScopedProgramId(const ScopedProgramId&) = delete;
   ScopedProgramId& operator=(const ScopedProgramId&) = delete;

private:
   std::string previous_;
};

// The part of a log line after its time stamp: "[program] LEVEL message...".
inline std::string withoutTimestamp(const std::string& line)
{
   const auto bracket = line.find(" [");
   return bracket == std::string::npos ? line : line.substr(bracket + 1);
}

} // namespace velorin::core::testing
