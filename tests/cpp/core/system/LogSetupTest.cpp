// LogSetupTest.cpp: the destinations a set-up registers from the program's choice and
// "logging.conf", their ids, what reinitLog adds, and the errors of a bad file.
//
// The set-up's state (the stored options, the shared standard-error destination, the
// file ids) lasts as long as the process, so every check that sets up logging runs in
// a process of its own and removes what it registered before that process ends.
#include <core/system/LogSetup.hpp>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

#include <boost/filesystem.hpp>
#include <gtest/gtest.h>

#include <shared_core/Logger.hpp>

#include "CapturingLogDestination.hpp"
#include "FreshProcess.hpp"
#include "ScratchSettingsFolders.hpp"

namespace velorin::core::system {
namespace {

using log::LogLevel;
using testing::CapturingLogDestination;
using testing::captureLog;
using testing::expectInAFreshProcess;
using testing::withoutTimestamp;

// Settings folders in a scratch folder, with "logging.conf" in the per-user one.
class ScratchSettings : public testing::ScratchSettingsFolders
{
public:
   void writeConfig(const std::string& text) const { write(userLoggingConf(), text); }

   // How often the text occurs in the log file below the scratch folder.
   int countInLog(const std::string& relative, const std::string& text) const
   {
      std::ifstream stream(path(relative), std::ios::binary);
      const std::string content((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
      int count = 0;
      for (auto at = content.find(text); at != std::string::npos; at = content.find(text, at + 1))
         ++count;
      return count;
   }
};

// Removes each id from the section (from the default set and every section when the
// section is empty) and returns those that were registered: the registry reports the
// others at debug level. Sections are to be asked before the default set.
std::vector<unsigned int> removeRegistered(const CapturingLogDestination& log,
                                           const std::string& section,
                                           const std::vector<unsigned int>& ids)
{
   std::vector<unsigned int> registered;
   for (unsigned int id : ids)
   {
      const std::size_t before = log.lines().size();
      log::removeLogDestination(id, section);
      const std::vector<std::string> lines = log.lines();
      const bool missing = lines.size() > before && lines.back().find("has not been registered") != std::string::npos;
      if (!missing)
         registered.push_back(id);
   }
   return registered;
}

const std::vector<unsigned int> kCandidateIds = {0, 2, 3, 4, 5, 6};

#ifndef _WIN32 // its users are Linux only
// The ids that file destinations take, from 3 up to the given one.
std::vector<unsigned int> fileIdsBelow(unsigned int end)
{
   std::vector<unsigned int> ids;
   for (unsigned int id = 3; id < end; ++id)
      ids.push_back(id);
   return ids;
}
#endif

// A host's static object, built before the set-up's state and so destroyed after it,
// that asks for the level and sets the logging up again once main has returned.
struct HostStatic
{
   std::unique_ptr<ScratchSettings> settings; // given by the check that arms it

   // After main no test can fail, so the exit code tells.
   ~HostStatic()
   {
      if (!settings)
         return;
      if (lowestLogLevel() != LogLevel::INFO || reinitLog() || initializeStderrLog("tool", LogLevel::INFO, false))
      {
         std::fputs("The log set-up failed after main\n", stderr);
         std::_Exit(3);
      }
      settings.reset();
   }
} hostStatic;

TEST(LogSetupTest, AStaticObjectMaySetUpLoggingWhileItIsDestroyed)
{
   expectInAFreshProcess([] {
      hostStatic.settings = std::make_unique<ScratchSettings>();
      EXPECT_FALSE(initializeStderrLog("tool", LogLevel::INFO, false));
   });
}

TEST(LogSetupTest, StandardErrorSetUpWithoutAFile)
{
   expectInAFreshProcess([] {
      const ScratchSettings settings;
      const auto log = captureLog(1);
      EXPECT_EQ(LogLevel::WARNING, lowestLogLevel());
      EXPECT_FALSE(reinitLog()); // nothing stored yet: nothing happens

      EXPECT_FALSE(initializeStderrLog("tool", LogLevel::INFO, true));
      EXPECT_EQ("tool", log::logger().getProgramId());
      EXPECT_EQ(LogLevel::INFO, lowestLogLevel());
      ::testing::internal::CaptureStderr();
      log::logInfoMessage("shown");
      log::logDebugMessage("hidden");
      const std::string written = ::testing::internal::GetCapturedStderr();
      EXPECT_NE(std::string::npos, written.find("[tool] INFO shown\n"));
      EXPECT_EQ(std::string::npos, written.find("hidden"));

      // Registered again: the registry notes it, and the program id stays without a warning.
      const std::size_t before = log->lines().size();
      ::testing::internal::CaptureStderr();
      EXPECT_FALSE(reinitLog());
      ::testing::internal::GetCapturedStderr();
      const std::vector<std::string> lines = log->lines();
      ASSERT_EQ(before + 1, lines.size());
      EXPECT_EQ("[tool] DEBUG Attempted to register a log destination that has already been registered with id 0\n",
                withoutTimestamp(lines.back()));
      EXPECT_EQ((std::vector<unsigned int>{0}), removeRegistered(*log, "", kCandidateIds));
   });
}

TEST(LogSetupTest, FileDestinationsTakeIdsFromThreeAndReinitAddsOne)
{
   expectInAFreshProcess([] {
      const ScratchSettings settings;
      const auto log = captureLog(1, LogLevel::DEBUG);
      EXPECT_FALSE(initializeLog("tool", LogLevel::DEBUG, FilePath(settings.path("first")), false));
      log::logInfoMessage("one");
#ifndef _WIN32 // on Windows no one may read a log file while its writer holds it
      EXPECT_EQ(1, settings.countInLog("first/tool.log", "[tool] INFO one\n"));
#endif
      EXPECT_EQ(LogLevel::DEBUG, lowestLogLevel());

      EXPECT_FALSE(initializeLog("tool", LogLevel::INFO, FilePath(settings.path("second")), false));
      log::logInfoMessage("two");
      log::logDebugMessage("debug");
#ifndef _WIN32 // on Windows no one may read a log file while its writer holds it
      EXPECT_EQ(1, settings.countInLog("first/tool.log", "[tool] INFO two\n"));
      EXPECT_EQ(1, settings.countInLog("second/tool.log", "[tool] INFO two\n"));
      EXPECT_EQ(1, settings.countInLog("first/tool.log", "debug"));
      EXPECT_EQ(0, settings.countInLog("second/tool.log", "debug"));
#endif
      EXPECT_EQ(LogLevel::INFO, lowestLogLevel());

      // The new destination, id 5, names the file of destination 4 and shares its
      // writer, so each line still reaches the file once.
      EXPECT_FALSE(reinitLog());
      log::logInfoMessage("three");
#ifndef _WIN32 // on Windows no one may read a log file while its writer holds it
      EXPECT_EQ(1, settings.countInLog("first/tool.log", "[tool] INFO three\n"));
      EXPECT_EQ(1, settings.countInLog("second/tool.log", "[tool] INFO three\n"));
#endif

      EXPECT_EQ((std::vector<unsigned int>{3, 4, 5}), removeRegistered(*log, "", kCandidateIds));
   });
}

// Linux only: it writes "logging.conf" into the settings folders, which only the
// stand-ins let a test move; on Windows they are the shell's own.
#ifndef _WIN32
TEST(LogSetupTest, NamedLoggersGetTheirOwnDestinations)
{
   expectInAFreshProcess([] {
      const ScratchSettings settings;
      // The program itself logs to the system log, which is not there: nothing.
      settings.writeConfig("[*]\nlog-level=info\n"
                           "[@tool]\nlogger-type=syslog\n"
                           "[net]\nlogger-type=file\nlog-dir=" + settings.path("net") + "\n"
                           "[audit]\nlogger-type=stderr\nlog-level=debug\n"
                           "[quiet]\nlogger-type=files\n");
      const auto log = captureLog(1, LogLevel::DEBUG);
      EXPECT_FALSE(initializeLog("tool", LogLevel::WARNING, FilePath(settings.path("given")), false));
      EXPECT_EQ(LogLevel::DEBUG, lowestLogLevel());

      log::logInfoMessage("to net", "net");
      log::logDebugMessage("below net's level", "net");
      ::testing::internal::CaptureStderr();
      log::logDebugMessage("to audit", "audit");
      log::logInfoMessage("to the default set");
      const std::string written = ::testing::internal::GetCapturedStderr();
      EXPECT_NE(std::string::npos, written.find("[tool] DEBUG to audit\n"));
      EXPECT_EQ(std::string::npos, written.find("default set"));
      // The file takes its name from the program, in the logger's own folder.
      EXPECT_EQ(1, settings.countInLog("net/tool.log", "[tool] INFO to net\n"));
      EXPECT_EQ(0, settings.countInLog("net/tool.log", "below"));
      EXPECT_FALSE(boost::filesystem::exists(settings.path("given")));

      EXPECT_EQ((std::vector<unsigned int>{3}), removeRegistered(*log, "net", kCandidateIds));
      EXPECT_EQ((std::vector<unsigned int>{0}), removeRegistered(*log, "audit", kCandidateIds));
      EXPECT_TRUE(removeRegistered(*log, "quiet", kCandidateIds).empty());
      EXPECT_TRUE(removeRegistered(*log, "", kCandidateIds).empty());
   });
}
#endif

// Linux only: it writes "logging.conf" into the settings folders, which only the
// stand-ins let a test move; on Windows they are the shell's own.
#ifndef _WIN32
// A named logger inherits the default logger's folder, so both name one file: it has
// one writer, and each line its logger admits reaches it once, whoever logs first and
// however often the set-up has registered destinations for it.
TEST(LogSetupTest, LoggersOfOneFileShareItAndEachLineReachesItOnce)
{
   expectInAFreshProcess([] {
      const ScratchSettings settings;
      const auto log = captureLog(1, LogLevel::DEBUG);
      const struct
      {
         const char* name;
         std::string ownFolder; // the section's own "log-dir", or empty
         bool sectionFirst;
      } cases[] = {
         {"section first", "", true},
         {"default first", "", false},
         {"section in its own folder", "own", true},
      };
      const std::vector<std::pair<std::string, LogLevel>> lines = {
         {"audit", LogLevel::DEBUG}, {"audit", LogLevel::INFO}, {"", LogLevel::INFO}, {"", LogLevel::DEBUG}};
      for (const auto& c : cases)
      {
         SCOPED_TRACE(c.name);
         const std::string folder = std::string("logs-") + (c.sectionFirst ? "s" : "d") + c.ownFolder;
         const std::string auditFile = (c.ownFolder.empty() ? folder : c.ownFolder) + "/tool.log";
         const std::string defaultFile = folder + "/tool.log";
         settings.writeConfig("[*]\nlog-level=info\n[audit]\nlog-level=debug\n" +
                              (c.ownFolder.empty() ? std::string() : "log-dir=" + settings.path(c.ownFolder) + "\n"));
         ASSERT_FALSE(initializeLog("tool", LogLevel::INFO, FilePath(settings.path(folder)), false));

         // Each round logs every line once more, in the row's order; reinitLog adds a
         // further destination for each logger, of the same file.
         for (int round = 1; round <= 2; ++round)
         {
            SCOPED_TRACE(round);
            for (std::size_t i = 0; i < lines.size(); ++i)
            {
               const auto& line = lines[c.sectionFirst ? i : lines.size() - 1 - i];
               logAtLevel(line.second, "round " + std::to_string(round) + " to " +
                                          (line.first.empty() ? "default" : line.first) + " at " +
                                          logLevelToStr(line.second),
                          line.first);
            }
            const std::string prefix = "[tool] ";
            const std::string r = "round " + std::to_string(round);
            EXPECT_EQ(1, settings.countInLog(auditFile, prefix + "DEBUG " + r + " to audit at DEBUG\n"));
            EXPECT_EQ(1, settings.countInLog(auditFile, prefix + "INFO " + r + " to audit at INFO\n"));
            EXPECT_EQ(1, settings.countInLog(defaultFile, prefix + "INFO " + r + " to default at INFO\n"));
            EXPECT_EQ(0, settings.countInLog(defaultFile, r + " to default at DEBUG"));
            if (!c.ownFolder.empty())
            {
               EXPECT_EQ(0, settings.countInLog(defaultFile, r + " to audit"));
               EXPECT_EQ(0, settings.countInLog(auditFile, r + " to default"));
            }
            if (round == 1)
            {
               ASSERT_FALSE(reinitLog());
            }
         }

         EXPECT_EQ(2u, removeRegistered(*log, "audit", fileIdsBelow(20)).size());
         EXPECT_EQ(2u, removeRegistered(*log, "", fileIdsBelow(20)).size());
      }
   });
}
#endif

// Without a per-user settings folder there is no default log folder: a file logger
// without its own "log-dir" gets no destination, rather than one in the working
// directory, and the set-up says why.
TEST(LogSetupTest, WithoutAUserSettingsFolderAFileLoggerWithoutAFolderGetsNoDestination)
{
#ifdef _WIN32
   GTEST_SKIP() << "the settings folders are moved through the variables of the Linux stand-ins";
#else
   expectInAFreshProcess([] {
      const ScratchSettings settings;
      boost::filesystem::remove_all(settings.path("user"));
      const boost::filesystem::path work = settings.root() / "work";
      boost::filesystem::create_directories(work);
      const boost::filesystem::path previous = boost::filesystem::current_path();
      boost::filesystem::current_path(work);
      const auto log = captureLog(1, LogLevel::DEBUG);
      const auto loggedOnce = [&log](const std::string& text) {
         int count = 0;
         for (const std::string& line : log->lines())
            count += withoutTimestamp(line) == text ? 1 : 0;
         return count == 1;
      };
      const std::string why = " writes no log file: it has no \"log-dir\" and no log folder to inherit (the "
                              "per-user settings folder was not found, or the set-up was given none)\n";

      settings.write(settings.machineLoggingConf(),
                     "[net]\nlogger-type=file\nlog-level=info\n"
                     "[own]\nlogger-type=file\nlog-level=info\nlog-dir=" + settings.path("own") + "\n");
      ::testing::internal::CaptureStderr();
      EXPECT_FALSE(initializeStderrLog("tool", LogLevel::INFO, false));
      log::logInfoMessage("to net", "net");
      log::logInfoMessage("to own", "own");
      EXPECT_TRUE(loggedOnce("[tool] ERROR The logger net" + why));
      EXPECT_EQ(1, settings.countInLog("own/tool.log", "[tool] INFO to own\n"));

      settings.write(settings.machineLoggingConf(), "[@tool]\nlogger-type=file\n");
      EXPECT_FALSE(initializeStderrLog("tool", LogLevel::INFO, false));
      EXPECT_TRUE(loggedOnce("[tool] ERROR The default logger" + why));
      log::logWarningMessage("to the default set");
      ::testing::internal::GetCapturedStderr();

      EXPECT_TRUE(boost::filesystem::is_empty(work));
      EXPECT_TRUE(removeRegistered(*log, "net", kCandidateIds).empty());
      EXPECT_EQ((std::vector<unsigned int>{3}), removeRegistered(*log, "own", kCandidateIds));
      EXPECT_EQ((std::vector<unsigned int>{0}), removeRegistered(*log, "", kCandidateIds));
      boost::filesystem::current_path(previous);
   });
#endif
}

// Linux only: it writes "logging.conf" into the settings folders, which only the
// stand-ins let a test move; on Windows they are the shell's own.
#ifndef _WIN32
TEST(LogSetupTest, StandardErrorKeepsTheLevelOfTheFirstLoggerThatAskedForIt)
{
   expectInAFreshProcess([] {
      const ScratchSettings settings;
      settings.writeConfig("[audit]\nlogger-type=stderr\nlog-level=debug\n");
      const auto log = captureLog(1, LogLevel::DEBUG);
      EXPECT_FALSE(initializeStderrLog("tool", LogLevel::WARNING, false));
      EXPECT_EQ(LogLevel::DEBUG, lowestLogLevel());

      ::testing::internal::CaptureStderr();
      log::logDebugMessage("dropped", "audit");
      log::logWarningMessage("kept", "audit");
      log::logWarningMessage("default");
      const std::string written = ::testing::internal::GetCapturedStderr();
      EXPECT_EQ(std::string::npos, written.find("dropped"));
      EXPECT_NE(std::string::npos, written.find("[tool] WARNING kept\n"));
      EXPECT_NE(std::string::npos, written.find("[tool] WARNING default\n"));

      EXPECT_EQ((std::vector<unsigned int>{0}), removeRegistered(*log, "audit", kCandidateIds));
      EXPECT_EQ((std::vector<unsigned int>{0}), removeRegistered(*log, "", kCandidateIds));
   });
}
#endif

// Linux only: it writes "logging.conf" into the settings folders, which only the
// stand-ins let a test move; on Windows they are the shell's own.
#ifndef _WIN32
TEST(LogSetupTest, ABadFileIsReturnedAndRegistersNothing)
{
   expectInAFreshProcess([] {
      const ScratchSettings settings;
      const std::string file = FilePath(settings.userLoggingConf()).getAbsolutePath();
      const auto log = captureLog(1, LogLevel::DEBUG);
      const testing::ScopedProgramId programId("before");
      const struct
      {
         const char* text;
         const char* description;
      } cases[] = {
         {"[*]\nlog-level=info\nlog-level=debug\n", "Could not parse config profile: duplicate key name"},
         {"[*]\nlog-level=info\n[net]\ncolour=red\n", "Unknown param colour specified"},
         {"[*]\nlog-level\n", "Could not parse config profile: '=' character not found in line"},
         {"[\xff\xfe\x01\n", "Could not parse config profile: unmatched '['"},
      };
      for (const auto& c : cases)
      {
         SCOPED_TRACE(c.text);
         settings.writeConfig(c.text);
         const Error error = initializeLog("tool", LogLevel::ERROR, FilePath(settings.path("logs")), false);
         EXPECT_EQ(134, error.getCode());
         EXPECT_EQ("system", error.getName());
         EXPECT_EQ(std::string(c.description) + " in file " + file, error.getProperty("description"));
         EXPECT_EQ("before", log::logger().getProgramId());
         EXPECT_EQ(LogLevel::ERROR, lowestLogLevel());
      }

      // A good file, then a bad one: reinitLog returns its error and the destinations
      // of the good one stay, without a new id being used up.
      settings.writeConfig("[*]\nlog-level=info\n");
      EXPECT_FALSE(initializeLog("tool", LogLevel::ERROR, FilePath(settings.path("logs")), false));
      settings.writeConfig("[*]\nlog-level=debug\nlog-level=info\n");
      EXPECT_EQ(134, reinitLog().getCode());
      EXPECT_EQ(LogLevel::INFO, lowestLogLevel());
      // A file that has gone leaves the sections read before in place.
      boost::filesystem::remove(file);
      EXPECT_FALSE(reinitLog());
      EXPECT_EQ(LogLevel::INFO, lowestLogLevel());
      EXPECT_EQ((std::vector<unsigned int>{3, 4}), removeRegistered(*log, "", kCandidateIds));
   });
}
#endif

// Linux only: it writes "logging.conf" into the settings folders, which only the
// stand-ins let a test move; on Windows they are the shell's own.
#ifndef _WIN32
TEST(LogSetupTest, OtherThreadsKeepLoggingWhileTheSetUpRuns)
{
   expectInAFreshProcess([] {
      const ScratchSettings settings;
      settings.writeConfig("[net]\nlog-level=debug\nlogger-type=file\nlog-dir=" + settings.path("net") + "\n");
      const auto log = captureLog(1, LogLevel::DEBUG);
      std::atomic<bool> done(false);
      std::thread logging([&] {
         while (!done)
         {
            log::logInfoMessage("from the thread", "net");
            lowestLogLevel();
         }
      });
      for (int i = 0; i < 20; ++i)
         EXPECT_FALSE(initializeLog("tool", LogLevel::INFO, FilePath(settings.path("logs")), false));
      done = true;
      logging.join();
      EXPECT_EQ(LogLevel::DEBUG, lowestLogLevel());
      EXPECT_EQ(20u, removeRegistered(*log, "net", fileIdsBelow(43)).size());
      EXPECT_EQ(20u, removeRegistered(*log, "", fileIdsBelow(43)).size());
   });
}
#endif

TEST(LogSetupTest, LevelWordsAndLoggingAtALevel)
{
   const auto log = captureLog(1, LogLevel::DEBUG);
   const auto audit =
      testing::registerForTest(std::make_shared<CapturingLogDestination>(2, LogLevel::DEBUG), "audit");
   const struct
   {
      LogLevel level;
      const char* word;
      const char* line;
   } cases[] = {
      {LogLevel::OFF, "OFF", nullptr},
      {LogLevel::ERROR, "ERROR", "[] ERROR message\n"},
      {LogLevel::WARNING, "WARNING", "[] WARNING message\n"},
      {LogLevel::INFO, "INFO", "[] INFO message\n"},
      {LogLevel::DEBUG, "DEBUG", "[] DEBUG message\n"},
   };
   for (const auto& c : cases)
   {
      SCOPED_TRACE(c.word);
      EXPECT_STREQ(c.word, logLevelToStr(c.level));
      const std::size_t before = log->lines().size();
      logAtLevel(c.level, "message");
      logAtLevel(c.level, std::string("message"), "audit");
      const std::vector<std::string> lines = log->lines();
      const std::vector<std::string> auditLines = audit->lines();
      if (c.line == nullptr)
      {
         EXPECT_EQ(before, lines.size());
         EXPECT_TRUE(auditLines.empty());
         continue;
      }
      ASSERT_EQ(before + 1, lines.size());
      EXPECT_EQ(c.line, withoutTimestamp(lines.back()));
      ASSERT_FALSE(auditLines.empty());
      EXPECT_EQ(c.line, withoutTimestamp(auditLines.back()));
   }

   const std::size_t before = log->lines().size();
   EXPECT_STREQ("ERROR", logLevelToStr(static_cast<LogLevel>(7)));
   logAtLevel(static_cast<LogLevel>(7), "dropped");
   const std::vector<std::string> lines = log->lines();
   ASSERT_EQ(before + 1, lines.size());
   EXPECT_EQ(0u, withoutTimestamp(lines.back()).find("[] WARNING Unexpected log level: 7; LOGGED FROM: "));
}

} // namespace
} // namespace velorin::core::system
