// TestHooks.cpp: failures armed by tests, consumed by the stand-in functions, and the
// record of the calls made.
#include <platform/TestHooks.hpp>

#include <atomic>
#include <map>
#include <mutex>

#include <platform/Win32Api.hpp>

#include "FailureHook.hpp"

namespace velorin::platform {
namespace {

struct Armed
{
   unsigned int succeedingCalls;
   std::uint32_t errorCode;
};

std::mutex s_mutex;
std::map<std::string, Armed> s_armed;
std::vector<std::string> s_recorded;
// Lets the hook skip the mutex on every call made while nothing is armed or recorded.
std::atomic<bool> s_anyArmed{false};
std::atomic<bool> s_recording{false};

// The hook the stand-ins ask: records the call, and fails it, consuming the failure,
// when one is armed.
bool failIfArmed(const char* function)
{
   if (!s_anyArmed.load(std::memory_order_acquire) && !s_recording.load(std::memory_order_acquire))
      return false;

   std::lock_guard<std::mutex> lock(s_mutex);
   if (s_recording)
      s_recorded.emplace_back(function);
   auto it = s_armed.find(function);
   if (it == s_armed.end())
      return false;
   if (it->second.succeedingCalls > 0)
   {
      --it->second.succeedingCalls;
      return false;
   }
   SetLastError(it->second.errorCode);
   s_armed.erase(it);
   s_anyArmed = !s_armed.empty();
   return true;
}

} // namespace

void clearFailures()
{
   std::lock_guard<std::mutex> lock(s_mutex);
   s_armed.clear();
   s_anyArmed = false;
}

void failNext(const std::string& function, std::uint32_t errorCode)
{
   failNextAfter(function, 0, errorCode);
}

void failNextAfter(const std::string& function, unsigned int succeedingCalls, std::uint32_t errorCode)
{
   installFailureHook(&failIfArmed);
   std::lock_guard<std::mutex> lock(s_mutex);
   s_armed[function] = Armed{succeedingCalls, errorCode};
   s_anyArmed = true;
}

void startRecordingCalls()
{
   installFailureHook(&failIfArmed);
   std::lock_guard<std::mutex> lock(s_mutex);
   s_recorded.clear();
   s_recording = true;
}

std::vector<std::string> takeLeftoverHooks()
{
   std::lock_guard<std::mutex> lock(s_mutex);
   std::vector<std::string> leftovers;
   for (const auto& [function, armed] : s_armed)
   {
      std::string description = "a failure of " + function + " with error " + std::to_string(armed.errorCode);
      if (armed.succeedingCalls > 0)
         description += " after " + std::to_string(armed.succeedingCalls) + " more succeeding calls";
      leftovers.push_back(description + " is still armed");
   }
   if (s_recording)
      leftovers.push_back("platform calls are still being recorded (" + std::to_string(s_recorded.size()) +
                          " so far)");
   s_armed.clear();
   s_anyArmed = false;
   s_recording = false;
   s_recorded.clear();
   return leftovers;
}

std::vector<std::string> takeRecordedCalls()
{
   std::lock_guard<std::mutex> lock(s_mutex);
   s_recording = false;
   std::vector<std::string> recorded;
   recorded.swap(s_recorded);
   return recorded;
}

} // namespace velorin::platform
