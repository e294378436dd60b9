// FreshProcess.hpp: runs a check in a process of its own, for state that lives as long
// as the process (the log registry, the log set-up) and so cannot be undone.
//
// The threadsafe death-test style starts the test binary anew for the one test. The
// check's own objects are gone when it returns, before that process ends.
#pragma once

#include <cstdlib>

#include <gtest/gtest.h>

namespace velorin::core::testing {

inline void expectInAFreshProcess(void (*check)())
{
   GTEST_FLAG_SET(death_test_style, "threadsafe");
   EXPECT_EXIT(
      {
         check();
         std::exit(::testing::Test::HasFailure() ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}

} // namespace velorin::core::testing
