// FileLogDestinationConcurrencyTest.cpp: eight threads logging through one rotating
// file destination. Every line arrives whole and unmixed, and the two files left hold
// an unbroken tail of all the lines: for each thread seen, its lines from the first
// one kept to its last one. Destinations that share a file write each line once. And
// a write whose file operations log never deadlocks against a thread that changes the
// registry.
#include <shared_core/FileLogDestination.hpp>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <boost/filesystem.hpp>
#include <gtest/gtest.h>

#include <shared_core/Logger.hpp>

#include "CapturingLogDestination.hpp"
#include "ScratchFolder.hpp"

namespace velorin::core::log {
namespace {

constexpr int kThreads = 8;

std::vector<std::string> readLines(const boost::filesystem::path& path)
{
   std::vector<std::string> lines;
   std::ifstream file(path.string(), std::ios::binary);
   for (std::string line; std::getline(file, line);)
      lines.push_back(line);
   return lines;
}

struct Case
{
   const char* name;
   double limitBytes;
   int linesPerThread;
   bool keepsEveryLine; // the total fits in the current file plus one rotated file
};

void PrintTo(const Case& c, std::ostream* os)
{
   *os << c.name;
}

class FileLogDestinationConcurrencyTest : public ::testing::TestWithParam<Case>
{
};

TEST_P(FileLogDestinationConcurrencyTest, NoLineLostSplitOrMixed)
{
   const Case& c = GetParam();
   const testing::ScratchFolder root{"filelog-mt-%%%%-%%%%"};
   const testing::ScopedProgramId programId("mt");
   addLogDestination(std::make_shared<FileLogDestination>(
      3, LogLevel::INFO, "mt",
      FileLogOptions(FilePath(root.string()), "666", c.limitBytes / 1048576.0, true, false)));

   const std::string padding(40, 'p');
   std::vector<std::thread> threads;
   for (int t = 0; t < kThreads; ++t)
   {
      threads.emplace_back([t, &c, &padding] {
         for (int i = 0; i < c.linesPerThread; ++i)
            logInfoMessage("t" + std::to_string(t) + " i" + std::to_string(i) + " " + padding);
      });
   }
   for (auto& thread : threads)
      thread.join();
   removeLogDestination(3); // closes the file

   // Oldest first: the rotated file, then the current one.
   std::vector<std::string> lines = readLines(root / "mt.old.log");
   const std::uint64_t rotatedSize =
      boost::filesystem::exists(root / "mt.old.log") ? boost::filesystem::file_size(root / "mt.old.log") : 0;
   for (const auto& line : readLines(root / "mt.log"))
      lines.push_back(line);

   const std::regex format(R"(\d\d [A-Z][a-z]{2} \d{4} \d\d:\d\d:\d\d \[mt\] INFO t(\d) i(\d+) p{40})");
   std::map<int, int> next; // per thread, the index its next line must have
   for (const auto& line : lines)
   {
      std::smatch match;
      ASSERT_TRUE(std::regex_match(line, match, format)) << c.name << ": " << line;
      const int thread = std::stoi(match[1]);
      const int index = std::stoi(match[2]);
      if (next.count(thread) > 0)
      {
         ASSERT_EQ(index, next[thread]) << c.name << ": a line of thread " << thread << " is missing";
      }
      else if (c.keepsEveryLine)
      {
         ASSERT_EQ(index, 0) << c.name << ": thread " << thread << " lost its first lines";
      }
      next[thread] = index + 1;
   }
   if (c.keepsEveryLine)
   {
      ASSERT_EQ(next.size(), static_cast<std::size_t>(kThreads)) << c.name;
   }
   ASSERT_FALSE(next.empty()) << c.name;
   for (const auto& entry : next)
      EXPECT_EQ(entry.second, c.linesPerThread) << c.name << ": thread " << entry.first << " lost its last lines";

   // A rotation happens only once the limit is reached, before the next line.
   if (rotatedSize > 0)
   {
      EXPECT_GE(rotatedSize, static_cast<std::uint64_t>(c.limitBytes)) << c.name;
   }
   EXPECT_LE(boost::filesystem::file_size(root / "mt.log"), static_cast<std::uint64_t>(c.limitBytes) + 200)
      << c.name;
   if (c.limitBytes == 0)
   {
      EXPECT_EQ(lines.size(), 2u) << c.name; // one line in each file
   }

   boost::filesystem::remove_all(root);
}

// Lines are about 90 bytes: 8 threads x 2000 lines is about 1.4 MB.
INSTANTIATE_TEST_SUITE_P(
   Limits,
   FileLogDestinationConcurrencyTest,
   ::testing::Values(Case{"many rotations", 16384, 2000, false},
                     Case{"one rotation", 1000000, 2000, true},
                     Case{"every line rotates", 0, 200, false}),
   [](const ::testing::TestParamInfo<Case>& info) {
      std::string name = info.param.name;
      for (char& ch : name)
         if (ch == ' ')
            ch = '_';
      return name;
   });

// Destinations of one file, two in the default set and one in a section, share its
// writer while eight threads log to both: each line reaches the file exactly once.
TEST(FileLogDestinationSharedFileTest, EachLineOfManyThreadsReachesTheSharedFileOnce)
{
   const testing::ScratchFolder root{"filelog-shared-%%%%-%%%%"};
   const testing::ScopedProgramId programId("mt");
   const auto make = [&root](unsigned int id) {
      return std::make_shared<FileLogDestination>(id, LogLevel::INFO, "mt", FileLogOptions(FilePath(root.string())));
   };
   addLogDestination(make(3));
   addLogDestination(make(4));
   addLogDestination(make(5), "audit");

   constexpr int kLines = 500;
   std::vector<std::thread> threads;
   for (int t = 0; t < kThreads; ++t)
   {
      threads.emplace_back([t] {
         for (int i = 0; i < kLines; ++i)
            logInfoMessage("t" + std::to_string(t) + " i" + std::to_string(i), i % 2 == 0 ? "" : "audit");
      });
   }
   for (auto& thread : threads)
      thread.join();
   removeLogDestination(3);
   removeLogDestination(4);
   removeLogDestination(5, "audit");

   const std::regex format(R"(\d\d [A-Z][a-z]{2} \d{4} \d\d:\d\d:\d\d \[mt\] INFO t(\d) i(\d+))");
   std::map<int, int> next; // per thread, the index its next line must have
   for (const auto& line : readLines(root / "mt.log"))
   {
      std::smatch match;
      ASSERT_TRUE(std::regex_match(line, match, format)) << line;
      const int thread = std::stoi(match[1]);
      ASSERT_EQ(std::stoi(match[2]), next[thread]) << "thread " << thread << ": a line is missing or repeated";
      ++next[thread];
   }
   ASSERT_EQ(next.size(), static_cast<std::size_t>(kThreads));
   for (const auto& entry : next)
      EXPECT_EQ(entry.second, kLines) << "thread " << entry.first;
}

// Runs the work and fails when it has not finished in time. A deadlocked thread can
// be neither joined nor stopped, so the process ends there.
void expectToFinishWithin(std::chrono::seconds limit, const std::function<void()>& work)
{
   std::future<void> done = std::async(std::launch::async, work);
   if (done.wait_for(limit) == std::future_status::timeout)
   {
      ADD_FAILURE() << "still running after " << limit.count() << " s: deadlocked";
      std::fflush(stdout);
      std::_Exit(1);
   }
   done.get();
}

// While one thread writes to a registered file destination directly, as a caller may,
// another keeps changing the registry, whose writer then waits for the destination's
// mutex. The path operations of each write fail and log their error: that line must
// be dropped, not wait for the registry's lock with the mutex held.
TEST(FileLogDestinationDeadlockTest, WritesWhoseFileOperationsLogFinishWhileTheRegistryChanges)
{
   struct Case
   {
      const char* name;
      std::string programId;
      std::function<void(const boost::filesystem::path&)> prepare;
   };
   const std::vector<Case> cases = {
      {"log file is a link to itself", "loop",
       [](const boost::filesystem::path& root) { boost::filesystem::create_symlink(root / "loop.log", root / "loop.log"); }},
      {"log file name too long", std::string(300, 'n'), [](const boost::filesystem::path&) {}},
   };
   for (const Case& c : cases)
   {
      SCOPED_TRACE(c.name);
      const testing::ScratchFolder root{"filelog-deadlock-%%%%-%%%%"};
      c.prepare(root);
      auto file = testing::registerForTest(std::make_shared<FileLogDestination>(
         3, LogLevel::DEBUG, c.programId, FileLogOptions(FilePath(root.string()))));
      const testing::ScopedProgramId programId("a");

      expectToFinishWithin(std::chrono::seconds(30), [&file] {
         std::atomic<bool> writing{true};
         std::thread registrar([&writing] {
            for (unsigned int i = 0; writing; ++i)
            {
               setProgramId(i % 2 ? "a" : "b"); // logs its warning to the file destination
               addLogDestination(std::make_shared<testing::CapturingLogDestination>(100, LogLevel::ERROR));
               removeLogDestination(100);
            }
         });
         const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
         while (std::chrono::steady_clock::now() < end)
            file->writeLog(LogLevel::ERROR, "direct\n");
         writing = false;
         registrar.join();
      });
   }
}

} // namespace
} // namespace velorin::core::log
