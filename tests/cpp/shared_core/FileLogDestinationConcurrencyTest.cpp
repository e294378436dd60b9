// FileLogDestinationConcurrencyTest.cpp: eight threads logging through one rotating
// file destination. Every line arrives whole and unmixed, and the two files left hold
// an unbroken tail of all the lines: for each thread seen, its lines from the first
// one kept to its last one.
#include <shared_core/FileLogDestination.hpp>

#include <fstream>
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

} // namespace
} // namespace velorin::core::log
