// LoggerConcurrencyTest.cpp: many threads logging while others register, remove
// and rename; every line arrives whole and nothing deadlocks.
#include <shared_core/Logger.hpp>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "CapturingLogDestination.hpp"

namespace velorin::core::log {
namespace {

TEST(LoggerConcurrencyTest, LinesFromManyThreadsArriveWholeWhileTheRegistryChanges)
{
   constexpr int kThreads = 8;
   constexpr int kLinesPerThread = 500;
   auto destination = testing::captureLog(1, LogLevel::INFO);
   const testing::ScopedProgramId programId("a");

   std::atomic<bool> done{false};
   std::thread registrar([&] {
      for (unsigned int i = 0; !done; ++i)
      {
         addLogDestination(std::make_shared<testing::CapturingLogDestination>(100 + i % 4, LogLevel::ERROR));
         removeLogDestination(100 + i % 4);
         setProgramId(i % 2 ? "a" : "b");
      }
   });

   std::vector<std::thread> loggers;
   for (int t = 0; t < kThreads; ++t)
   {
      loggers.emplace_back([t] {
         for (int i = 0; i < kLinesPerThread; ++i)
            logInfoMessage("thread " + std::to_string(t) + " line " + std::to_string(i));
      });
   }
   for (auto& thread : loggers)
      thread.join();
   done = true;
   registrar.join();

   std::set<std::string> messages;
   for (const auto& line : destination->lines())
   {
      const auto info = line.find("] INFO ");
      if (info != std::string::npos)
         messages.insert(line.substr(info + 7));
   }
   for (int t = 0; t < kThreads; ++t)
      for (int i = 0; i < kLinesPerThread; ++i)
         EXPECT_EQ(1u, messages.count("thread " + std::to_string(t) + " line " + std::to_string(i) + "\n"));
}

TEST(LoggerConcurrencyTest, ProgramIdIsReadSafelyOutsideTheLock)
{
   const testing::ScopedProgramId programId("first-program");
   std::atomic<bool> done{false};
   std::thread writer([&] {
      for (int i = 0; !done; ++i)
         setProgramId(i % 2 ? "first-program" : "second-program");
   });
   const Error error("e", 1, ErrorLocation());
   for (int i = 0; i < 2000; ++i)
   {
      const std::string line = formatErrorLogEntry(error);
      EXPECT_TRUE(line.find("[first-program]") != std::string::npos ||
                  line.find("[second-program]") != std::string::npos ||
                  line.find("[]") != std::string::npos)
         << line;
   }
   done = true;
   writer.join();
}

} // namespace
} // namespace velorin::core::log
