// LoggerBench.cpp: the cost of logging. A dropped message should cost one atomic
// read, and little more when the call site passes a literal or its location; a logged
// one, formatting and one pass over the destinations; error values should cost nothing
// to return and one atomic increment to copy.
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

// A dropped call as call sites write it, with the message a literal, beside the same
// call given a message built once: the literal's string is made on every call.
void droppedDebugLiteral(benchmark::State& state)
{
   registerOnce();
   for (auto _ : state)
      log::logDebugMessage("a debug message nobody listens to");
}
BENCHMARK(droppedDebugLiteral)->Name("DroppedDebug/Library:literal")->Threads(1)->Threads(8);

// The same with the location of the call, which is built before the level is tested.
void droppedDebugWithLocation(benchmark::State& state)
{
   registerOnce();
   for (auto _ : state)
      log::logDebugMessage("a debug message nobody listens to", ERROR_LOCATION);
}
BENCHMARK(droppedDebugWithLocation)->Name("DroppedDebug/Library:location")->Threads(1)->Threads(8);

void droppedDebugPrebuilt(benchmark::State& state)
{
   registerOnce();
   const std::string message = "a debug message nobody listens to";
   for (auto _ : state)
      log::logDebugMessage(message);
}
BENCHMARK(droppedDebugPrebuilt)->Name("DroppedDebug/Peer:prebuilt")->Threads(1)->Threads(8);

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
