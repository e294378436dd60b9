// WinTime.cpp: _time64 and _gmtime64 over the C library's time and gmtime_r.
//
// The Windows runtime keeps one result buffer per thread, so a thread-local buffer
// gives the same lifetime rules.
#include <platform/win32/WinTime.hpp>

#include <cerrno>
#include <time.h>

#include "FailureHook.hpp"

__time64_t _time64(__time64_t* time)
{
   if (velorin::platform::consumeArmedFailure("_time64"))
      return -1;

   const __time64_t now = static_cast<__time64_t>(::time(nullptr));
   if (time != nullptr)
      *time = now;
   return now;
}

std::tm* _gmtime64(const __time64_t* time)
{
   if (velorin::platform::consumeArmedFailure("_gmtime64"))
   {
      errno = EINVAL;
      return nullptr;
   }

   // The Windows runtime accepts times from 1970 up to the year 3000 only.
   constexpr __time64_t kLatest = 32535215999; // 3000-12-31 23:59:59
   if (time == nullptr || *time < 0 || *time > kLatest)
   {
      errno = EINVAL;
      return nullptr;
   }

   thread_local std::tm buffer;
   const ::time_t seconds = static_cast<::time_t>(*time);
   if (::gmtime_r(&seconds, &buffer) == nullptr)
   {
      errno = EINVAL;
      return nullptr;
   }
   return &buffer;
}
