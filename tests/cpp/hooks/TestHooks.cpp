// TestHooks.cpp: failures armed by tests, consumed by the stand-in functions.
#include <platform/TestHooks.hpp>

#include <atomic>
#include <map>
#include <mutex>

#include <platform/win32/WinBase.hpp>

#include "FailureHook.hpp"

namespace velorin::platform {
namespace {

std::mutex s_mutex;
std::map<std::string, std::uint32_t> s_armed;
// Lets the hook skip the mutex on every call made while nothing is armed.
std::atomic<bool> s_anyArmed{false};

// The hook the stand-ins ask: fails the call, consuming the failure, when one is armed.
bool failIfArmed(const char* function)
{
   if (!s_anyArmed.load(std::memory_order_acquire))
      return false;

   std::lock_guard<std::mutex> lock(s_mutex);
   auto it = s_armed.find(function);
   if (it == s_armed.end())
      return false;
   SetLastError(it->second);
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
   installFailureHook(&failIfArmed);
   std::lock_guard<std::mutex> lock(s_mutex);
   s_armed[function] = errorCode;
   s_anyArmed = true;
}

} // namespace velorin::platform
