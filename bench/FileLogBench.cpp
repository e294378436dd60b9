// FileLogBench.cpp: lines per second into a rotating log file, every line written and
// flushed, from 1 and 8 threads: a message logged through the registry, where callers
// log, and the file destination alone; the peer is spdlog's thread-safe rotating file
// sink flushing every line, formatting the same line (time stamp, program id, level word).
#include <cstring>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>
#include <boost/filesystem.hpp>
#include <spdlog/logger.h>
#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/rotating_file_sink.h>

#include <shared_core/FileLogDestination.hpp>
#include <shared_core/Logger.hpp>

using namespace velorin::core;

namespace {

// Both sides rotate at this size and keep one older file.
constexpr std::size_t kMaxSizeBytes = 4 * 1048576;

const std::string kMessage = "request handled in 12 ms for /api/items?page=3; status 200";

// The line the registry makes of kMessage, for the destination alone.
const std::string kLine = "10 Dec 2026 09:15:42 [bench] INFO " + kMessage + "\n";

// The library's upper-case level word, which spdlog's own flags do not write.
class LevelWordFlag : public spdlog::custom_flag_formatter
{
public:
   void format(const spdlog::details::log_msg& message, const std::tm&, spdlog::memory_buf_t& destination) override
   {
      static const char* const kWords[] = {"TRACE", "DEBUG", "INFO", "WARNING", "ERROR", "CRITICAL", "OFF"};
      const char* word = kWords[message.level];
      destination.append(word, word + std::strlen(word));
   }
   std::unique_ptr<custom_flag_formatter> clone() const override { return std::make_unique<LevelWordFlag>(); }
};

boost::filesystem::path freshFolder()
{
   const auto folder =
      boost::filesystem::temp_directory_path() / boost::filesystem::unique_path("filelog-bench-%%%%-%%%%");
   boost::filesystem::create_directories(folder);
   return folder;
}

log::FileLogOptions benchOptions(const boost::filesystem::path& folder)
{
   return log::FileLogOptions(FilePath(folder.string()), "666", kMaxSizeBytes / 1048576.0, true, false);
}

// Shared by the threads of one run: made by thread 0 before the timed loop starts,
// removed by it after every thread has left the loop.
boost::filesystem::path s_folder;
std::shared_ptr<log::FileLogDestination> s_destination;
std::shared_ptr<spdlog::logger> s_spdlog;

void fileLogDestinationAlone(benchmark::State& state)
{
   if (state.thread_index() == 0)
   {
      s_folder = freshFolder();
      s_destination = std::make_shared<log::FileLogDestination>(3, log::LogLevel::INFO, "bench",
                                                                benchOptions(s_folder));
   }
   for (auto _ : state)
      s_destination->writeLog(log::LogLevel::INFO, kLine);
   state.SetItemsProcessed(state.iterations());
   if (state.thread_index() == 0)
   {
      s_destination.reset();
      boost::filesystem::remove_all(s_folder);
   }
}
BENCHMARK(fileLogDestinationAlone)->Name("FileLog/Library:destination")->Threads(1)->Threads(8)->UseRealTime();

// The same, with the registry's formatting and read lock in front.
void fileLogThroughRegistry(benchmark::State& state)
{
   if (state.thread_index() == 0)
   {
      s_folder = freshFolder();
      s_destination = std::make_shared<log::FileLogDestination>(3, log::LogLevel::INFO, "bench",
                                                                benchOptions(s_folder));
      log::setProgramId("bench");
      log::addLogDestination(s_destination);
   }
   for (auto _ : state)
      log::logInfoMessage(kMessage);
   state.SetItemsProcessed(state.iterations());
   if (state.thread_index() == 0)
   {
      log::removeLogDestination(3);
      s_destination.reset();
      boost::filesystem::remove_all(s_folder);
   }
}
BENCHMARK(fileLogThroughRegistry)->Name("FileLog/Library:registry")->Threads(1)->Threads(8)->UseRealTime();

// spdlog formatting the registry's line from the message, flushing after every line.
void spdlogRotatingFileSink(benchmark::State& state)
{
   if (state.thread_index() == 0)
   {
      s_folder = freshFolder();
      auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>((s_folder / "bench.log").string(),
                                                                         kMaxSizeBytes, 1);
      s_spdlog = std::make_shared<spdlog::logger>("bench", sink);
      auto formatter = std::make_unique<spdlog::pattern_formatter>(spdlog::pattern_time_type::utc);
      formatter->add_flag<LevelWordFlag>('*').set_pattern("%d %b %Y %H:%M:%S [%n] %* %v");
      s_spdlog->set_formatter(std::move(formatter));
      s_spdlog->flush_on(spdlog::level::trace);
   }
   for (auto _ : state)
      s_spdlog->info(kMessage);
   state.SetItemsProcessed(state.iterations());
   if (state.thread_index() == 0)
   {
      s_spdlog.reset();
      boost::filesystem::remove_all(s_folder);
   }
}
BENCHMARK(spdlogRotatingFileSink)->Name("FileLog/Peer:spdlog")->Threads(1)->Threads(8)->UseRealTime();

} // namespace
