// FileLogBench.cpp: lines per second into a rotating log file, every line written and
// flushed, from 1 and 8 threads: the file destination alone, through the registry, and
// spdlog's thread-safe rotating file sink flushing every line, as the peer.
#include <memory>
#include <string>

#include <benchmark/benchmark.h>
#include <boost/filesystem.hpp>
#include <spdlog/logger.h>
#include <spdlog/sinks/rotating_file_sink.h>

#include <shared_core/FileLogDestination.hpp>
#include <shared_core/Logger.hpp>

using namespace velorin::core;

namespace {

// Both sides rotate at this size and keep one older file.
constexpr std::size_t kMaxSizeBytes = 4 * 1048576;

// About the length of a typical line, with its time stamp and program id.
const std::string kLine =
   "10 Dec 2026 09:15:42 [bench] INFO request handled in 12 ms for /api/items?page=3; status 200\n";

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

void BM_FileLogDestination(benchmark::State& state)
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
BENCHMARK(BM_FileLogDestination)->Threads(1)->Threads(8)->UseRealTime();

// The same, with the registry's formatting and read lock in front.
void BM_FileLogThroughRegistry(benchmark::State& state)
{
   if (state.thread_index() == 0)
   {
      s_folder = freshFolder();
      s_destination = std::make_shared<log::FileLogDestination>(3, log::LogLevel::INFO, "bench",
                                                                benchOptions(s_folder));
      log::setProgramId("bench");
      log::addLogDestination(s_destination);
   }
   const std::string message = "request handled in 12 ms for /api/items?page=3; status 200";
   for (auto _ : state)
      log::logInfoMessage(message);
   state.SetItemsProcessed(state.iterations());
   if (state.thread_index() == 0)
   {
      log::removeLogDestination(3);
      s_destination.reset();
      boost::filesystem::remove_all(s_folder);
   }
}
BENCHMARK(BM_FileLogThroughRegistry)->Threads(1)->Threads(8)->UseRealTime();

// spdlog given the finished line ("%v" adds nothing), flushing after every line.
void BM_SpdlogRotatingFileSink(benchmark::State& state)
{
   if (state.thread_index() == 0)
   {
      s_folder = freshFolder();
      auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>((s_folder / "bench.log").string(),
                                                                         kMaxSizeBytes, 1);
      s_spdlog = std::make_shared<spdlog::logger>("bench", sink);
      s_spdlog->set_pattern("%v", spdlog::pattern_time_type::utc);
      s_spdlog->flush_on(spdlog::level::trace);
   }
   const std::string message = kLine.substr(0, kLine.size() - 1); // spdlog adds the line feed
   for (auto _ : state)
      s_spdlog->info(message);
   state.SetItemsProcessed(state.iterations());
   if (state.thread_index() == 0)
   {
      s_spdlog.reset();
      boost::filesystem::remove_all(s_folder);
   }
}
BENCHMARK(BM_SpdlogRotatingFileSink)->Threads(1)->Threads(8)->UseRealTime();

} // namespace
