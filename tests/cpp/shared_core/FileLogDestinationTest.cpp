// FileLogDestinationTest.cpp: levels, file names, rotation at its boundaries, failed
// rotations, unwritable folders and lines logged from inside a write.
#include <shared_core/FileLogDestination.hpp>

#include <cmath>
#include <fstream>
#include <functional>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <csignal>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <boost/filesystem.hpp>
#include <gtest/gtest.h>

#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>
#include <shared_core/Logger.hpp>

#include "CapturingLogDestination.hpp"
#include "FifoGuard.hpp"
#include "ScratchFolder.hpp"

namespace velorin::core::log {
namespace {

// The contents of a file, or nothing when it does not exist.
std::optional<std::string> contents(const boost::filesystem::path& path)
{
   if (!boost::filesystem::exists(path))
      return std::nullopt;
   std::ifstream file(path.string(), std::ios::binary);
   std::ostringstream text;
   text << file.rdbuf();
   return text.str();
}

// A maximum size in MB that gives exactly this many bytes.
double megabytesFor(double bytes)
{
   return bytes / 1048576.0;
}

class FileLogDestinationTest : public ::testing::Test
{
protected:
   std::shared_ptr<FileLogDestination> destination(double maxSizeMb,
                                                   bool rotate = true,
                                                   LogLevel level = LogLevel::DEBUG,
                                                   const boost::filesystem::path& folder = {})
   {
      const boost::filesystem::path dir = folder.empty() ? root_ : folder;
      return std::make_shared<FileLogDestination>(
         3, level, "abc", FileLogOptions(FilePath(dir.string()), "666", maxSizeMb, rotate, false));
   }

   std::optional<std::string> current() const { return contents(root_ / "abc.log"); }
   std::optional<std::string> rotated() const { return contents(root_ / "abc.old.log"); }

   const testing::ScratchFolder root_{"filelog-%%%%-%%%%"};
};

TEST(FileLogOptionsTest, DefaultsAndGivenValues)
{
   const FileLogOptions defaults(FilePath("C:/logs"));
   EXPECT_EQ(defaults.getDirectory().getAbsolutePath(), "C:/logs");
   EXPECT_EQ(defaults.getFileMode(), "666");
   EXPECT_EQ(defaults.getMaxSizeMb(), 2.0);
   EXPECT_TRUE(defaults.getDoRotation());
   EXPECT_FALSE(defaults.getIncludePid());

   const FileLogOptions given(FilePath("D:/x"), "600", 0.5, false, true);
   EXPECT_EQ(given.getDirectory().getAbsolutePath(), "D:/x");
   EXPECT_EQ(given.getFileMode(), "600");
   EXPECT_EQ(given.getMaxSizeMb(), 0.5);
   EXPECT_FALSE(given.getDoRotation());
   EXPECT_TRUE(given.getIncludePid());
}

TEST_F(FileLogDestinationTest, WritesLinesAtOrBelowItsLevel)
{
   struct Case
   {
      LogLevel destinationLevel;
      std::string expected;
   };
   const std::vector<Case> cases = {
      {LogLevel::DEBUG, "E\nW\nI\nD\n"},
      {LogLevel::WARNING, "E\nW\n"},
      {LogLevel::ERROR, "E\n"},
   };
   for (const Case& c : cases)
   {
      {
         auto log = destination(2.0, true, c.destinationLevel);
         EXPECT_EQ(log->getId(), 3u);
         log->writeLog(LogLevel::ERROR, "E\n");
         log->writeLog(LogLevel::WARNING, "W\n");
         log->writeLog(LogLevel::INFO, "I\n");
         log->writeLog(LogLevel::DEBUG, "D\n");
      }
      EXPECT_EQ(current(), c.expected) << c.destinationLevel;
      boost::filesystem::remove(root_ / "abc.log");
   }

   auto off = destination(2.0, true, LogLevel::OFF);
   off->writeLog(LogLevel::ERROR, "E\n");
   EXPECT_EQ(current(), std::nullopt); // never even opened
}

TEST_F(FileLogDestinationTest, CreatesTheFolderAndOpensTheFileOnTheFirstLine)
{
   const boost::filesystem::path folder = root_ / "a" / "b";
   auto log = std::make_shared<FileLogDestination>(
      4, LogLevel::INFO, "abc", FileLogOptions(FilePath(folder.string())));
   EXPECT_TRUE(boost::filesystem::is_directory(folder));
   EXPECT_FALSE(boost::filesystem::exists(folder / "abc.log"));

   log->writeLog(LogLevel::INFO, "one\n");

   // Held without sharing while the destination lives, and appended to afterwards.
   const FilePath file((folder / "abc.log").string());
   std::shared_ptr<std::istream> reader;
   EXPECT_EQ(file.openForRead(reader).getCode(), 32);
   log.reset();
   EXPECT_FALSE(file.openForRead(reader));
   reader.reset();
   EXPECT_EQ(contents(folder / "abc.log"), "one\n");

   auto reopened = std::make_shared<FileLogDestination>(
      4, LogLevel::INFO, "abc", FileLogOptions(FilePath(folder.string())));
   reopened->writeLog(LogLevel::INFO, "two\n");
   reopened.reset();
   EXPECT_EQ(contents(folder / "abc.log"), "one\ntwo\n");
}

TEST_F(FileLogDestinationTest, RotatesBeforeTheWriteThatFindsTheFileAtTheLimit)
{
   struct Case
   {
      const char* name;
      double maxSizeMb;
      bool rotate;
      std::size_t existingBytes; // already in abc.log before the destination starts
      std::vector<std::string> lines;
      std::optional<std::string> current;
      std::optional<std::string> rotated;
   };
   const std::string nine = "123456789\n";
   const std::string existing2Mb(2097152, 'x');
   const std::string existingBelow2Mb(2097151, 'x');
   const std::vector<Case> cases = {
      {"reaches the limit exactly", megabytesFor(20), true, 0, {nine, nine, "a\n"}, "a\n", nine + nine},
      {"one byte short", megabytesFor(21), true, 0, {nine, nine, "a\n"}, nine + nine + "a\n", std::nullopt},
      {"past the limit", megabytesFor(15), true, 0, {nine, nine, "a\n"}, "a\n", nine + nine},
      {"size 0 rotates before every line", 0.0, true, 0, {"1\n", "2\n", "3\n"}, "3\n", "2\n"},
      {"rotation off", megabytesFor(5), false, 0, {nine, nine, "a\n"}, nine + nine + "a\n", std::nullopt},
      {"negative size", -1.0, true, 0, {nine, nine, "a\n"}, nine + nine + "a\n", std::nullopt},
      {"not a number", std::nan(""), true, 0, {nine, nine}, nine + nine, std::nullopt},
      {"infinite", std::numeric_limits<double>::infinity(), true, 0, {nine}, nine, std::nullopt},
      {"2 MB file found on opening", 2.0, true, existing2Mb.size(), {"a\n"}, "a\n", existing2Mb},
      {"just under 2 MB", 2.0, true, existingBelow2Mb.size(), {"a\n"}, existingBelow2Mb + "a\n", std::nullopt},
   };
   for (const Case& c : cases)
   {
      boost::filesystem::remove(root_ / "abc.log");
      boost::filesystem::remove(root_ / "abc.old.log");
      if (c.existingBytes > 0)
         std::ofstream((root_ / "abc.log").string(), std::ios::binary) << std::string(c.existingBytes, 'x');

      auto log = destination(c.maxSizeMb, c.rotate);
      for (const auto& line : c.lines)
         log->writeLog(LogLevel::INFO, line);
      log.reset(); // no one else may read the file while it is held
      EXPECT_EQ(current(), c.current) << c.name;
      EXPECT_EQ(rotated(), c.rotated) << c.name;
   }
}

#ifndef _WIN32
// Windows lets no one else open the file while the destination holds it.
TEST_F(FileLogDestinationTest, RotatesOnTheSizeOfTheFileEvenWhenOthersChangedIt)
{
   struct Case
   {
      const char* name;
      std::vector<std::string> linesBefore;
      std::function<void(const boost::filesystem::path&)> outsideChange;
      std::vector<std::string> linesAfter;
      std::optional<std::string> current;
      std::optional<std::string> rotated;
   };
   const std::string thousand(1000, 'f');
   const std::string fiveHundred(500, 's');
   const std::string appended(5000, 'o');
   const std::vector<Case> cases = {
      // 1500 bytes written in all, but the file holds 500: no rotation, and the
      // previous rotated log stays.
      {"truncated",
       {thousand},
       [](const boost::filesystem::path& file) { boost::filesystem::resize_file(file, 0); },
       {fiveHundred, "last\n"},
       fiveHundred + "last\n",
       "previous\n"},
      // 2 bytes written, but the file holds 5002: the next line rotates it.
      {"appended to",
       {"a\n"},
       [&appended](const boost::filesystem::path& file) {
          std::ofstream(file.string(), std::ios::binary | std::ios::app) << appended;
       },
       {"b\n"},
       "b\n",
       "a\n" + appended},
   };
   for (const Case& c : cases)
   {
      boost::filesystem::remove(root_ / "abc.log");
      std::ofstream((root_ / "abc.old.log").string(), std::ios::binary) << "previous\n";

      auto log = destination(megabytesFor(1024));
      for (const auto& line : c.linesBefore)
         log->writeLog(LogLevel::INFO, line);
      c.outsideChange(root_ / "abc.log");
      for (const auto& line : c.linesAfter)
         log->writeLog(LogLevel::INFO, line);
      EXPECT_EQ(current(), c.current) << c.name;
      EXPECT_EQ(rotated(), c.rotated) << c.name;
   }
}
#endif

TEST_F(FileLogDestinationTest, FileModeAndProcessIdFlagChangeNothing)
{
   for (const auto& mode : {"666", "600", ""})
   {
      for (bool includePid : {false, true})
      {
         boost::filesystem::remove_all(root_);
         auto log = std::make_shared<FileLogDestination>(
            3, LogLevel::INFO, "abc", FileLogOptions(FilePath(root_.string()), mode, 0.0, true, includePid));
         log->writeLog(LogLevel::INFO, "1\n");
         log->writeLog(LogLevel::INFO, "2\n");
         log.reset(); // no one else may read the file while it is held
         EXPECT_EQ(current(), "2\n");
         EXPECT_EQ(rotated(), "1\n");
         EXPECT_EQ(std::distance(boost::filesystem::directory_iterator(root_), {}), 2);
      }
   }
}

#ifndef _WIN32
// Arms a failure of the Linux stand-in, and reads the file while the destination holds
// it, which Windows refuses.
TEST_F(FileLogDestinationTest, FailedRotationKeepsAppendingAndTriesAgainOnTheNextLine)
{
   auto log = destination(0.0);
   log->writeLog(LogLevel::INFO, "1\n");

   velorin::platform::failNext("MoveFileExW", ERROR_ACCESS_DENIED);
   log->writeLog(LogLevel::INFO, "2\n");
   EXPECT_EQ(current(), "1\n2\n");
   EXPECT_EQ(rotated(), std::nullopt); // removed before the move failed

   log->writeLog(LogLevel::INFO, "3\n");
   EXPECT_EQ(current(), "3\n");
   EXPECT_EQ(rotated(), "1\n2\n");
}
#endif

// File size limits, their signal and FIFOs are Linux's.
#ifndef _WIN32
// While it lives, every write that would make a file grow fails, as on a full disk.
class FilesCannotGrow
{
public:
   FilesCannotGrow()
   {
      ::getrlimit(RLIMIT_FSIZE, &saved_);
      rlimit none = saved_;
      none.rlim_cur = 0;
      ::setrlimit(RLIMIT_FSIZE, &none);
      savedHandler_ = std::signal(SIGXFSZ, SIG_IGN); // the write fails instead of ending the process
   }
   FilesCannotGrow(const FilesCannotGrow&) = delete;
   FilesCannotGrow& operator=(const FilesCannotGrow&) = delete;
   ~FilesCannotGrow()
   {
      ::setrlimit(RLIMIT_FSIZE, &saved_);
      std::signal(SIGXFSZ, savedHandler_);
   }

private:
   rlimit saved_{};
   void (*savedHandler_)(int) = SIG_DFL;
};

TEST_F(FileLogDestinationTest, FailedWriteClosesTheFileSoALaterLineOpensItAfresh)
{
   auto log = destination(2.0);
   {
      FilesCannotGrow full;
      log->writeLog(LogLevel::INFO, "lost\n");
   }

   boost::filesystem::remove(root_ / "abc.log");
   log->writeLog(LogLevel::INFO, "kept\n");
   EXPECT_EQ(current(), "kept\n");
}

// A FIFO where the log file goes is no file: its lines are dropped at once, where a
// writer would otherwise block for good once the pipe was full, holding the
// destination's mutex. Writing goes on once a file stands there.
TEST_F(FileLogDestinationTest, FifoInPlaceOfTheFileDropsLinesWithoutBlocking)
{
   const std::string fifo = (root_ / "abc.log").string();
   ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
   auto log = destination(2.0);
   const std::string line(1024, 'x');
   ASSERT_TRUE(testing::returnsPromptly(fifo, [&] {
      for (int i = 0; i < 200; ++i) // more than a pipe holds
         log->writeLog(LogLevel::INFO, line + "\n");
   }));
   EXPECT_EQ(boost::filesystem::fifo_file, boost::filesystem::symlink_status(fifo).type());

   boost::filesystem::remove(fifo);
   log->writeLog(LogLevel::INFO, "kept\n");
   EXPECT_EQ(current(), "kept\n");
}

#endif

// Destinations of one file share its one writer, however the folder is written: the
// second neither fails to open the file nor writes a registry line a second time.
TEST_F(FileLogDestinationTest, DestinationsOfOneFileShareItsWriter)
{
   const boost::filesystem::path logs = root_ / "logs";
   boost::filesystem::create_directories(logs);
   std::vector<std::pair<std::string, std::string>> cases = {
      {"the same text", logs.string()},
      {"a trailing separator", logs.string() + "/"},
      {"a dot", (logs / ".").string()},
      {"through the parent", (logs / ".." / "logs").string()},
   };
#ifndef _WIN32
   boost::filesystem::create_directory_symlink(logs, root_ / "link");
   cases.emplace_back("through a link", (root_ / "link").string());
#endif
   for (const auto& c : cases)
   {
      SCOPED_TRACE(c.first);
      boost::filesystem::remove(logs / "abc.log");
      auto first = testing::registerForTest(
         std::make_shared<FileLogDestination>(5, LogLevel::ERROR, "abc", FileLogOptions(FilePath(logs.string()))));
      auto second = testing::registerForTest(
         std::make_shared<FileLogDestination>(6, LogLevel::INFO, "abc", FileLogOptions(FilePath(c.second))));

      logErrorMessage("to both");
      logInfoMessage("to the second");
      second->writeLog(LogLevel::INFO, "direct\n"); // a call of its own: written
      first.reset();
      logInfoMessage("after the first has gone");
      const FilePath file((logs / "abc.log").string());
      std::shared_ptr<std::istream> reader;
      EXPECT_EQ(file.openForRead(reader).getCode(), 32); // still held by the second
      second.reset();
      EXPECT_FALSE(file.openForRead(reader));
      reader.reset();

      std::vector<std::string> lines;
      std::istringstream written(contents(logs / "abc.log").value_or(""));
      for (std::string line; std::getline(written, line);)
         lines.push_back(testing::withoutTimestamp(line));
      EXPECT_EQ(lines, (std::vector<std::string>{"[] ERROR to both", "[] INFO to the second", "direct",
                                                 "[] INFO after the first has gone"}));
   }
}

TEST_F(FileLogDestinationTest, FolderThatCannotBeCreatedDropsEveryLineSilently)
{
   std::ofstream((root_ / "file").string()) << "x";
   auto capture = testing::captureLog(1, LogLevel::DEBUG);
   auto log = testing::registerForTest(destination(2.0, true, LogLevel::INFO, root_ / "file" / "logs"));

   log->writeLog(LogLevel::ERROR, "direct\n");
   logErrorMessage("through the registry");
   logErrorMessage("again");

   EXPECT_FALSE(boost::filesystem::exists(root_ / "file" / "logs"));
   ASSERT_EQ(capture->lines().size(), 2u) << capture->lines()[0] << capture->lines()[1];
   EXPECT_EQ(testing::withoutTimestamp(capture->lines()[1]), "[] ERROR again\n");
}

#ifndef _WIN32
// A link loop needs symbolic links, which Windows grants only to some accounts, and the
// file is read while the destination holds it, which Windows refuses.
TEST_F(FileLogDestinationTest, LinesLoggedFromInsideAWriteAreDroppedAndWritingGoesOn)
{
   // A log file that is a link to itself: the existence test logs its error from
   // inside the write, while the destination holds its mutex.
   boost::filesystem::create_symlink(root_ / "abc.log", root_ / "abc.log");
   auto capture = testing::captureLog(1, LogLevel::DEBUG);
   auto log = testing::registerForTest(destination(2.0));

   log->writeLog(LogLevel::ERROR, "direct\n");
   logErrorMessage("through the registry");

   boost::filesystem::remove(root_ / "abc.log");
   log->writeLog(LogLevel::ERROR, "direct again\n");
   logErrorMessage("registry again");

   const std::optional<std::string> written = current();
   ASSERT_TRUE(written);
   EXPECT_EQ(written->substr(0, 13), "direct again\n");
   EXPECT_NE(written->find("] ERROR registry again\n"), std::string::npos);
   EXPECT_EQ(written->find("through the registry"), std::string::npos);
}
#endif

} // namespace
} // namespace velorin::core::log
