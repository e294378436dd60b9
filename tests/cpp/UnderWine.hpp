// UnderWine.hpp: tells whether the tests run under Wine, whose answers differ from
// Windows' in a few places (message texts, calls it does not implement). A test skips
// there only for such a difference, and names it:
//
//    SKIP_UNDER_WINE("FormatMessage gives its own texts for the Boost categories");
#pragma once

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace velorin::core::testing {

inline bool runningUnderWine()
{
#ifdef _WIN32
   // Only Wine's ntdll exports its version.
   static const bool underWine = [] {
      const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
      return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
   }();
   return underWine;
#else
   return false;
#endif
}

} // namespace velorin::core::testing

#define SKIP_UNDER_WINE(difference)                        \
   if (::velorin::core::testing::runningUnderWine())       \
   GTEST_SKIP() << "Wine differs from Windows here: " << (difference)
