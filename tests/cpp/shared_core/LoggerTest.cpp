// LoggerTest.cpp: the log registry, line format and front-ends. Every test undoes the
// registrations and program id it makes; what only an untouched registry shows is
// checked in a process of its own.
#include <shared_core/Logger.hpp>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <regex>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include <shared_core/StderrLogDestination.hpp>

#include "CapturingLogDestination.hpp"
#include "FreshProcess.hpp"

namespace velorin::core::log {
namespace {

using testing::CapturingLogDestination;
using testing::captureLog;
using testing::registerForTest;
using testing::ScopedProgramId;
using testing::withoutTimestamp;

std::vector<std::string> withoutTimestamps(const std::vector<std::string>& lines)
{
   std::vector<std::string> result;
   for (const auto& line : lines)
      result.push_back(withoutTimestamp(line));
   return result;
}

// The registry cannot be emptied again: what only an untouched one shows is checked
// in a fresh process.
using testing::expectInAFreshProcess;

TEST(LoggerTest, NothingIsWrittenBeforeADestinationIsRegistered)
{
   expectInAFreshProcess([] {
      EXPECT_EQ(LogLevel::OFF, logger().getMaximumLevel());
      ::testing::internal::CaptureStderr();
      logErrorMessage("dropped");
      logError(unknownError("dropped", ERROR_LOCATION));
      EXPECT_EQ("", ::testing::internal::GetCapturedStderr());
   });
}

TEST(LoggerTest, MaximumLevelIsTheHighestEverRegistered)
{
   expectInAFreshProcess([] {
      auto warnings = captureLog(2, LogLevel::WARNING);
      EXPECT_EQ(LogLevel::WARNING, logger().getMaximumLevel());
      {
         auto errors = captureLog(3, LogLevel::ERROR);
      }
      EXPECT_EQ(LogLevel::WARNING, logger().getMaximumLevel());
   });
}

TEST(LoggerTest, LineHasTimeProgramIdLevelAndMessage)
{
   auto destination = captureLog();
   const ScopedProgramId programId("demo");
   logWarningMessage("disk low");
   ASSERT_EQ(1u, destination->lines().size());
   const std::string line = destination->lines()[0];
   const std::regex format(R"(\d\d (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \d{4} \d\d:\d\d:\d\d )"
                           R"(\[demo\] WARNING disk low\n)");
   EXPECT_TRUE(std::regex_match(line, format)) << line;
}

// The time stamp is the UTC second the line was written in, also once the second has
// moved on since the thread's previous line.
TEST(LoggerTest, TimeIsTheUtcSecondOfEachLine)
{
   const auto utcNow = [] {
      const std::time_t now = std::time(nullptr);
      char text[32];
      std::strftime(text, sizeof(text), "%d %b %Y %H:%M:%S", std::gmtime(&now));
      return std::string(text);
   };
   auto destination = captureLog();
   for (int round = 0; round < 2; ++round)
   {
      if (round > 0)
      {
         const auto nextSecond = std::chrono::time_point_cast<std::chrono::seconds>(std::chrono::system_clock::now()) +
                                 std::chrono::seconds(1);
         std::this_thread::sleep_until(nextSecond + std::chrono::milliseconds(10));
      }
      const std::string before = utcNow();
      logWarningMessage("tick");
      const std::string after = utcNow();
      const std::string stamp = destination->lines().back().substr(0, before.size());
      EXPECT_TRUE(stamp == before || stamp == after) << stamp << " is neither " << before << " nor " << after;
   }
}

// A host's global, built before the registry and so destroyed after it, that logs from
// its destructor once armed.
struct LogsWhenTheProcessEnds
{
   ~LogsWhenTheProcessEnds()
   {
      if (!armed)
         return;
      logWarningMessage("logged by a global's destructor");
      logError(unknownError("an error at exit", ErrorLocation()));
   }

   bool armed = false;
};
LogsWhenTheProcessEnds s_logsWhenTheProcessEnds;

TEST(LoggerTest, AGlobalDestroyedAfterTheRegistryStillLogs)
{
   GTEST_FLAG_SET(death_test_style, "threadsafe");
   EXPECT_EXIT(
      {
         addLogDestination(std::make_shared<StderrLogDestination>(LogLevel::INFO));
         setProgramId("exit");
         s_logsWhenTheProcessEnds.armed = true;
         std::exit(0);
      },
      ::testing::ExitedWithCode(0),
      // "\s" for the line break: the simple regular expressions gtest has on Windows
      // let "." match anything but a newline.
      R"(\[exit\] WARNING logged by a global's destructor\s.*\[exit\] ERROR UnknownError error 1 \(an error at exit\))");
}

// A thread-local object made before the thread's first line is destroyed after what the
// registry keeps per thread; a line it logs then is still written whole.
TEST(LoggerTest, ALineLoggedAsTheThreadEndsIsWritten)
{
   struct LogsWhenDestroyed
   {
      ~LogsWhenDestroyed() { logWarningMessage("at thread end"); }
   };
   auto destination = captureLog();
   std::thread([] {
      thread_local LogsWhenDestroyed logsLast;
      (void)&logsLast;
      logWarningMessage("first");
   }).join();
   EXPECT_EQ((std::vector<std::string>{"[] WARNING first\n", "[] WARNING at thread end\n"}),
             withoutTimestamps(destination->lines()));
}

TEST(LoggerTest, LocationIsAddedWithoutSemicolons)
{
   auto destination = captureLog();
   logInfoMessage("a;b", ErrorLocation("void f(int;)", "x.cpp", 12));
   logInfoMessage("no location", ErrorLocation("f()", "x.cpp", 0));
   const std::vector<std::string> expected = {
      "[] INFO a;b; LOGGED FROM: void f(int ) x.cpp:12\n",
      "[] INFO no location\n"};
   EXPECT_EQ(expected, withoutTimestamps(destination->lines()));
}

TEST(LoggerTest, EveryFrontEndLogsAtItsLevel)
{
   auto destination = captureLog();
   const Error error("e", 1, "m", ErrorLocation("f()", "x", 1));
   const ErrorLocation site("site()", "y", 2);
   logErrorMessage("error");
   logWarningMessage("warning", "", site);
   logInfoMessage("info", site);
   logDebugMessage("debug");
   logError(error);
   logError(error, site);
   logErrorAsWarning(error);
   logErrorAsInfo(error);
   logErrorAsDebug(error);
   const std::string text = error.asString();
   const std::vector<std::string> expected = {
      "[] ERROR error\n",
      "[] WARNING warning; LOGGED FROM: site() y:2\n",
      "[] INFO info; LOGGED FROM: site() y:2\n",
      "[] DEBUG debug\n",
      "[] ERROR " + text + "\n",
      "[] ERROR " + text + "; LOGGED FROM: site() y:2\n",
      "[] WARNING " + text + "\n",
      "[] INFO " + text + "\n",
      "[] DEBUG " + text + "\n"};
   EXPECT_EQ(expected, withoutTimestamps(destination->lines()));
}

TEST(LoggerTest, DestinationsApplyTheirOwnLevel)
{
   auto errors = captureLog(1, LogLevel::ERROR);
   auto warnings = captureLog(2, LogLevel::WARNING);
   logWarningMessage("w");
   logInfoMessage("i"); // above the maximum level: dropped by the registry
   EXPECT_TRUE(errors->lines().empty());
   EXPECT_EQ(1u, warnings->lines().size());
}

TEST(LoggerTest, MaximumLevelNeverFalls)
{
   {
      auto debug = captureLog(4, LogLevel::DEBUG); // removed again at the end of the scope
   }
   EXPECT_EQ(LogLevel::DEBUG, logger().getMaximumLevel());
   auto errors = captureLog(5, LogLevel::ERROR);
   EXPECT_EQ(LogLevel::DEBUG, logger().getMaximumLevel());
}

// Records the order in which destinations are handed a line.
class OrderLogDestination : public ILogDestination
{
public:
   OrderLogDestination(unsigned int id, std::vector<unsigned int>* order)
      : ILogDestination(LogLevel::DEBUG), id_(id), order_(order)
   {
   }
   unsigned int getId() const override { return id_; }
   void writeLog(LogLevel, const std::string&) override { order_->push_back(id_); }

private:
   unsigned int id_;
   std::vector<unsigned int>* order_;
};

TEST(LoggerTest, DestinationsReceiveLinesInAscendingIdOrder)
{
   std::vector<unsigned int> order;
   auto seven = registerForTest(std::make_shared<OrderLogDestination>(7, &order));
   auto three = registerForTest(std::make_shared<OrderLogDestination>(3, &order));
   logInfoMessage("x");
   EXPECT_EQ((std::vector<unsigned int>{3, 7}), order);
}

TEST(LoggerTest, DuplicateIdKeepsTheFirstAndLogsAtDebug)
{
   auto first = captureLog(3);
   auto second = std::make_shared<CapturingLogDestination>(3, LogLevel::DEBUG);
   addLogDestination(second);
   addLogDestination(std::make_shared<CapturingLogDestination>(3, LogLevel::DEBUG), "audit");
   addLogDestination(std::make_shared<CapturingLogDestination>(3, LogLevel::DEBUG), "audit");
   const std::vector<std::string> expected = {
      "[] DEBUG Attempted to register a log destination that has already been registered with id 3\n",
      "[] DEBUG Attempted to register a log destination that has already been registered with id 3"
      " to section audit\n"};
   EXPECT_EQ(expected, withoutTimestamps(first->lines()));
   EXPECT_TRUE(second->lines().empty());
}

TEST(LoggerTest, AnEmptyDestinationIsIgnored)
{
   auto destination = captureLog();
   addLogDestination(std::shared_ptr<ILogDestination>());
   addLogDestination(std::shared_ptr<ILogDestination>(), "audit");
   logInfoMessage("after");
   EXPECT_EQ((std::vector<std::string>{"[] INFO after\n"}), withoutTimestamps(destination->lines()));
}

TEST(LoggerTest, SectionsReceiveOnlyTheirOwnLines)
{
   auto defaults = captureLog(1);
   auto audit = registerForTest(std::make_shared<CapturingLogDestination>(2, LogLevel::DEBUG), "audit");
   logInfoMessage("to audit", "audit");
   logInfoMessage("to nowhere", "Audit"); // section names are case-sensitive
   logInfoMessage("to defaults");
   EXPECT_EQ((std::vector<std::string>{"[] INFO to audit\n"}), withoutTimestamps(audit->lines()));
   EXPECT_EQ((std::vector<std::string>{"[] INFO to defaults\n"}), withoutTimestamps(defaults->lines()));
}

TEST(LoggerTest, RemovingWithoutSectionRemovesEverywhere)
{
   auto defaults = captureLog(1);
   auto a3 = std::make_shared<CapturingLogDestination>(3, LogLevel::DEBUG);
   auto a4 = registerForTest(std::make_shared<CapturingLogDestination>(4, LogLevel::DEBUG), "a");
   auto b3 = std::make_shared<CapturingLogDestination>(3, LogLevel::DEBUG);
   addLogDestination(std::make_shared<CapturingLogDestination>(3, LogLevel::DEBUG));
   addLogDestination(a3, "a");
   addLogDestination(b3, "b");

   removeLogDestination(3);
   logInfoMessage("to a", "a");
   logInfoMessage("to b", "b");
   removeLogDestination(3, "b"); // section b was erased with its last destination

   EXPECT_TRUE(a3->lines().empty());
   EXPECT_EQ(1u, a4->lines().size());
   EXPECT_TRUE(b3->lines().empty());
   EXPECT_EQ((std::vector<std::string>{"[] DEBUG Attempted to unregister a log destination that has not been "
                                       "registered to the specified section (b) with id 3\n"}),
             withoutTimestamps(defaults->lines()));
}

TEST(LoggerTest, RemovingAnUnknownIdLogsAtDebug)
{
   auto destination = captureLog(1);
   removeLogDestination(9);
   EXPECT_EQ((std::vector<std::string>{
                "[] DEBUG Attempted to unregister a log destination that has not been registered with id 9\n"}),
             withoutTimestamps(destination->lines()));
}

TEST(LoggerTest, ChangingTheProgramIdWarnsWithTheOldId)
{
   auto destination = captureLog();
   const ScopedProgramId programId("x");
   setProgramId("x");
   setProgramId("y");
   logInfoMessage("after");
   const std::vector<std::string> expected = {"[x] WARNING Changing the program id from x to y\n",
                                              "[y] INFO after\n"};
   EXPECT_EQ(expected, withoutTimestamps(destination->lines()));
}

TEST(LoggerTest, FormatErrorLogEntryMatchesAnErrorLine)
{
   const ScopedProgramId programId("p");
   const Error error("e", 1, "m", ErrorLocation("f()", "x", 1));
   const std::string line = formatErrorLogEntry(error);
   EXPECT_EQ("[p] ERROR " + error.asString() + "\n", withoutTimestamp(line));
   std::ostringstream stream;
   writeErrorLogEntry(error, stream);
   EXPECT_EQ(withoutTimestamp(line), withoutTimestamp(stream.str()));
}

// Logs from inside writeLog, as a destination whose file operation fails would.
class ReentrantLogDestination : public CapturingLogDestination
{
public:
   ReentrantLogDestination() : CapturingLogDestination(1, LogLevel::DEBUG) {}
   void writeLog(LogLevel level, const std::string& message) override
   {
      logErrorMessage("nested");
      CapturingLogDestination::writeLog(level, message);
   }
};

TEST(LoggerTest, LinesLoggedFromInsideADestinationAreDropped)
{
   auto destination = registerForTest(std::make_shared<ReentrantLogDestination>());
   logInfoMessage("outer");
   EXPECT_EQ((std::vector<std::string>{"[] INFO outer\n"}), withoutTimestamps(destination->lines()));
}

class ThrowingLogDestination : public ILogDestination
{
public:
   ThrowingLogDestination() : ILogDestination(LogLevel::DEBUG) {}
   unsigned int getId() const override { return 1; }
   void writeLog(LogLevel, const std::string&) override { throw std::runtime_error("full"); }
};

TEST(LoggerTest, AFailingDestinationEndsTheCallSilently)
{
   auto throwing = registerForTest(std::make_shared<ThrowingLogDestination>());
   auto later = captureLog(2);
   EXPECT_NO_THROW(logInfoMessage("x"));
   EXPECT_TRUE(later->lines().empty());
}

TEST(LoggerTest, LevelWords)
{
   const std::pair<int, const char*> cases[] = {
      {0, "OFF"}, {1, "ERROR"}, {2, "WARNING"}, {3, "INFO"}, {4, "DEBUG"}, {7, "INFO"}, {-1, "OFF"}};
   for (const auto& c : cases)
   {
      std::ostringstream stream;
      stream << static_cast<LogLevel>(c.first);
      EXPECT_EQ(c.second, stream.str()) << c.first;
   }
}

TEST(LoggerTest, StderrDestinationWritesUpToItsLevel)
{
   auto destination = std::make_shared<StderrLogDestination>(LogLevel::INFO);
   EXPECT_EQ(0u, destination->getId());
   EXPECT_EQ(0u, StderrLogDestination(LogLevel::DEBUG).getId());
   ::testing::internal::CaptureStderr();
   destination->writeLog(LogLevel::WARNING, "warning line\n");
   destination->writeLog(LogLevel::DEBUG, "debug line\n");
   EXPECT_EQ("warning line\n", ::testing::internal::GetCapturedStderr());
}

} // namespace
} // namespace velorin::core::log
