// LogOptionsTest.cpp: where "logging.conf" is found, and the level, type and file
// options each logger gets from it and from the program's own choice.
#include <core/LogOptions.hpp>

#include <boost/filesystem.hpp>
#include <gtest/gtest.h>

#include <shared_core/PathScope.hpp>

#include <FreshProcess.hpp>
#include <ScratchSettingsFolders.hpp>

namespace velorin::core::log {
namespace {

using testing::ScratchSettingsFolders;

class LogOptionsTest : public ::testing::Test
{
protected:
   // A file program "tool" at INFO, logging to the folder "given".
   LogOptions fileOptions() const
   {
      return LogOptions("tool", LogLevel::INFO, LoggerType::FILE, FileLogOptions(FilePath(folders_.path("given"))));
   }

   const ScratchSettingsFolders folders_;
};

FileLogOptions fileOptionsOf(const LogOptions& options, const std::string& logger)
{
   const LoggerOptions loggerOptions = options.getLoggerOptions(logger);
   const FileLogOptions* file = boost::get<FileLogOptions>(&loggerOptions);
   return file != nullptr ? *file : FileLogOptions(FilePath("not a file logger"));
}

TEST_F(LogOptionsTest, WithoutAFileEveryAnswerIsTheProgramsOwn)
{
   LogOptions options = fileOptions();
   EXPECT_FALSE(options.read());
   EXPECT_EQ(LogLevel::INFO, options.getLogLevel());
   EXPECT_EQ(LoggerType::FILE, options.getLoggerType());
   const FileLogOptions file = fileOptionsOf(options, "");
   EXPECT_EQ(FilePath(folders_.path("given")).getAbsolutePath(), file.getDirectory().getAbsolutePath());
   EXPECT_EQ("666", file.getFileMode());
   EXPECT_EQ(2.0, file.getMaxSizeMb());
   EXPECT_TRUE(file.getDoRotation());
   EXPECT_FALSE(file.getIncludePid());
   EXPECT_TRUE(options.getLoggers().empty());
   EXPECT_EQ(LogLevel::INFO, options.getLowestLogLevel());

   // OFF has no keyword: its loggers are configured as "warn", yet the program's lowest
   // level stays OFF until a file says otherwise.
   LogOptions off("tool", LogLevel::OFF, LoggerType::STDERR, StderrLogOptions());
   EXPECT_FALSE(off.read());
   EXPECT_EQ(LogLevel::WARNING, off.getLogLevel());
   EXPECT_EQ(LogLevel::OFF, off.getLowestLogLevel());
   EXPECT_EQ(0, off.getLoggerOptions().which());

   LogOptions identityOnly("tool");
   EXPECT_EQ(LogLevel::WARNING, identityOnly.getLogLevel());
   EXPECT_EQ(LoggerType::SYSLOG, identityOnly.getLoggerType());
   EXPECT_EQ(1, identityOnly.getLoggerOptions().which());
}

#ifndef _WIN32
// These write "logging.conf" into the settings folders, which only the Linux stand-ins
// let a test move; on Windows they are the shell's own.
TEST_F(LogOptionsTest, LevelsAndTypesComeFromTheMostSpecificSection)
{
   const struct
   {
      const char* file;
      const char* logger;
      LogLevel level;
      LoggerType type;
   } cases[] = {
      {"[*]\nlog-level=debug\n[@tool]\nlog-level=error\n", "", LogLevel::ERROR, LoggerType::FILE},
      {"[*]\nlog-level=debug\n[@tool]\nlog-level=error\n[net]\nlogger-type=stderr\n", "net", LogLevel::ERROR,
       LoggerType::STDERR},
      {"[*]\nlog-level=debug\n[@other]\nlog-level=error\n", "", LogLevel::DEBUG, LoggerType::FILE},
      {"[*]\nlog-level=error\n[*net]\nlog-level=debug\n[net]\nrotate=1\n", "net", LogLevel::ERROR, LoggerType::FILE},
      {"[@tool]\nlog-level=error\n[net]\nlog-level=debug\nlogger-type=syslog\n", "net", LogLevel::DEBUG,
       LoggerType::SYSLOG},
      {"[*]\nlog-level=warning\nlogger-type=files\n", "", LogLevel::WARNING, LoggerType::SYSLOG},
      {"[*]\nlog-level=DEBUG\nlogger-type=Stderr\n", "", LogLevel::WARNING, LoggerType::SYSLOG},
      {"[*]\nlog-level=warn\nlogger-type=stderr\n", "", LogLevel::WARNING, LoggerType::STDERR},
   };
   for (const auto& c : cases)
   {
      SCOPED_TRACE(c.file);
      folders_.write(folders_.userLoggingConf(), c.file);
      LogOptions options = fileOptions();
      ASSERT_FALSE(options.read());
      EXPECT_EQ(c.level, options.getLogLevel(c.logger));
      EXPECT_EQ(c.type, options.getLoggerType(c.logger));
      EXPECT_EQ(static_cast<int>(c.type), options.getLoggerOptions(c.logger).which());
   }
}

TEST_F(LogOptionsTest, FileOptionsFallBackValueByValue)
{
   folders_.write(folders_.userLoggingConf(), "[*]\nrotate=yes\nmax-size-mb=5.5\n"
                                       "[@tool]\nrotate=0\nlog-file-mode=644\n"
                                       "[net]\nlog-dir=" + folders_.path("net") + "\nlog-file-include-pid=1\n"
                                       "[audit]\nlogger-type=stderr\n");
   LogOptions options = fileOptions();
   ASSERT_FALSE(options.read());
   EXPECT_EQ((std::vector<std::string>{"net", "audit"}), options.getLoggers());

   // "yes" does not convert, which ends the lookup: the default stays, not "@tool"'s 0.
   const FileLogOptions net = fileOptionsOf(options, "net");
   EXPECT_EQ(folders_.path("net"), net.getDirectory().getAbsolutePath());
   EXPECT_TRUE(net.getDoRotation());
   EXPECT_EQ(5.5, net.getMaxSizeMb());
   EXPECT_TRUE(net.getIncludePid());
   EXPECT_EQ("644", net.getFileMode());

   const FileLogOptions programs = fileOptionsOf(options, "");
   EXPECT_EQ(folders_.path("given"), programs.getDirectory().getAbsolutePath());
   EXPECT_FALSE(programs.getIncludePid());
}

TEST_F(LogOptionsTest, OnlyTheFirstFileThatExistsIsRead)
{
   folders_.write(folders_.machineLoggingConf(), "[*]\nlog-level=debug\n");
   LogOptions options = fileOptions();
   ASSERT_FALSE(options.read());
   EXPECT_EQ(LogLevel::DEBUG, options.getLogLevel());

   // A per-user file hides the per-machine one, even when it does not parse.
   folders_.write(folders_.userLoggingConf(), "[*]\nlog-level=error\n");
   ASSERT_FALSE(options.read());
   EXPECT_EQ(LogLevel::ERROR, options.getLogLevel());
   EXPECT_EQ(LogLevel::ERROR, options.getLowestLogLevel());

   const struct
   {
      const char* text;
      const char* description;
   } broken[] = {
      {"[*]\nlog-level=debug\nlog-level=info\n", "Could not parse config profile: duplicate key name"},
      {"[*]\nlog-level=debug\n[net]\ncolour=red\n", "Unknown param colour specified"},
      {"[*\nlog-level=debug\n", "Could not parse config profile: unmatched '['"},
   };
   for (const auto& c : broken)
   {
      SCOPED_TRACE(c.text);
      folders_.write(folders_.userLoggingConf(), c.text);
      const Error error = options.read();
      EXPECT_EQ(134, error.getCode());
      EXPECT_EQ(std::string(c.description) + " in file " + FilePath(folders_.userLoggingConf()).getAbsolutePath(),
                error.getProperty("description"));
      // The sections read before stay, and so does the lowest level.
      EXPECT_EQ(LogLevel::ERROR, options.getLogLevel());
      EXPECT_EQ(LogLevel::ERROR, options.getLowestLogLevel());
   }

   // A missing per-user folder is no candidate: the per-machine file is read.
   boost::filesystem::remove_all(boost::filesystem::path(folders_.userLoggingConf()).parent_path());
   ASSERT_FALSE(options.read());
   EXPECT_EQ(LogLevel::DEBUG, options.getLogLevel());
}

#endif

TEST_F(LogOptionsTest, AFileInTheWorkingDirectoryIsNeverRead)
{
   // Neither settings folder of the applications exists yet.
   folders_.write(folders_.path("work/logging.conf"), "[*]\nlog-level=debug\n");
   const RestoreCurrentPathScope restore(FilePath(boost::filesystem::current_path().string()), ERROR_LOCATION);
   ASSERT_FALSE(FilePath::makeCurrentPath(folders_.path("work")));
   LogOptions options = fileOptions();
   EXPECT_FALSE(options.read());
   EXPECT_EQ(LogLevel::INFO, options.getLogLevel());
}

#ifndef _WIN32
// These write "logging.conf" into the settings folders, which only the Linux stand-ins
// let a test move; on Windows they are the shell's own.
TEST_F(LogOptionsTest, LowestLevelIsTheMostVerboseOfAllLoggers)
{
   const struct
   {
      const char* file;
      LogLevel lowest;
   } cases[] = {
      {"[*]\nlog-level=warn\n[net]\nlog-level=info\n[audit]\nlog-level=debug\n", LogLevel::DEBUG},
      {"[*]\nlog-level=error\n[net]\nlog-level=error\n", LogLevel::ERROR},
      {"[@tool]\nlog-level=error\n[net]\nrotate=0\n[audit]\nlog-level=info\n", LogLevel::INFO},
      {"[*]\nrotate=0\n", LogLevel::INFO},
   };
   for (const auto& c : cases)
   {
      SCOPED_TRACE(c.file);
      folders_.write(folders_.userLoggingConf(), c.file);
      LogOptions options = fileOptions();
      ASSERT_FALSE(options.read());
      EXPECT_EQ(c.lowest, options.getLowestLogLevel());
   }

   LogOptions off("tool", LogLevel::OFF, LoggerType::STDERR, StderrLogOptions());
   ASSERT_FALSE(off.read());
   EXPECT_EQ(LogLevel::WARNING, off.getLowestLogLevel());
}

// The default log folder is fixed on its first use in a process.
TEST(LogOptionsDefaultFolderTest, ProgramsWithoutAFolderLogUnderTheUserSettingsFolder)
{
   testing::expectInAFreshProcess([] {
      const ScratchSettingsFolders folders;
      folders.write(folders.userLoggingConf(), "[net]\nlogger-type=file\n");
      LogOptions options("tool", LogLevel::INFO, LoggerType::STDERR, StderrLogOptions());
      EXPECT_FALSE(options.read());
      // Not made here: the first file destination makes it.
      EXPECT_EQ(folders.path("user/Velorin-Desktop/logs"),
                fileOptionsOf(options, "net").getDirectory().getAbsolutePath());
      EXPECT_FALSE(boost::filesystem::exists(folders.path("user/Velorin-Desktop/logs")));
   });
}

#endif

// Without a per-user settings folder there is no default log folder, rather than a
// "logs" folder of the working directory.
TEST(LogOptionsDefaultFolderTest, WithoutAUserSettingsFolderThereIsNoDefaultLogFolder)
{
#ifdef _WIN32
   GTEST_SKIP() << "the settings folders are moved through the variables of the Linux stand-ins";
#else
   testing::expectInAFreshProcess([] {
      const ScratchSettingsFolders folders;
      boost::filesystem::remove_all(folders.path("user"));
      folders.write(folders.machineLoggingConf(), "[net]\nlogger-type=file\n");
      LogOptions options("tool", LogLevel::INFO, LoggerType::STDERR, StderrLogOptions());
      EXPECT_FALSE(options.read());
      EXPECT_TRUE(fileOptionsOf(options, "net").getDirectory().isEmpty());
   });
#endif
}

} // namespace
} // namespace velorin::core::log
