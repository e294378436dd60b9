// LoggerBench.cpp: the cost of logging. A dropped message should cost one atomic
// read; a logged one, formatting and one pass over the destinations; error values
// should cost nothing to return and one atomic increment to copy.
#include <memory>

#include <benchmark/benchmark.h>

#include <shared_core/Error.hpp>
#include <shared_core/ILogDestination.hpp>
#include <shared_core/Logger.hpp>

using namespace velorin::core;

namespace {

// Counts what it receives, so that the benchmark measures the registry alone.
class CountingLogDestination : public log::ILogDestination
{
public:
   CountingLogDestination() : ILogDestination(log::LogLevel::INFO) {}
   unsigned int getId() const override { return 1; }
   void writeLog(log::LogLevel, const std::string& message) override
   {
      benchmark::DoNotOptimize(message.data());
   }
};

void registerOnce()
{
   static const bool registered = [] {
      log::addLogDestination(std::make_shared<CountingLogDestination>());
      log::setProgramId("bench");
      return true;
   }();
   (void)registered;
}

void BM_DroppedDebugMessage(benchmark::State& state)
{
   registerOnce();
   const std::string message = "a debug message nobody listens to";
   for (auto _ : state)
      log::logDebugMessage(message);
}
BENCHMARK(BM_DroppedDebugMessage)->Threads(1)->Threads(8);

void BM_LoggedInfoMessage(benchmark::State& state)
{
   registerOnce();
   const std::string message = "an info message with a little text in it";
   const ErrorLocation location("void f()", "src/f.cpp", 12);
   for (auto _ : state)
      log::logInfoMessage(message, location);
}
BENCHMARK(BM_LoggedInfoMessage)->Threads(1)->Threads(8);

Error succeed()
{
   return Success();
}

void BM_ReturnSuccess(benchmark::State& state)
{
   for (auto _ : state)
   {
      Error error = succeed();
      benchmark::DoNotOptimize(error);
   }
}
BENCHMARK(BM_ReturnSuccess);

void BM_CopyError(benchmark::State& state)
{
   const Error error = systemError(5, ERROR_LOCATION);
   for (auto _ : state)
   {
      Error copy = error;
      benchmark::DoNotOptimize(copy);
   }
}
BENCHMARK(BM_CopyError);

} // namespace
