// EnvironmentConcurrencyTest.cpp: threads that add and remove variables while others
// look up folders and set up logging, all of which read the environment.
#include <core/system/Environment.hpp>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <core/system/LogSetup.hpp>
#include <core/system/System.hpp>
#include <shared_core/FilePath.hpp>

#include "FreshProcess.hpp"
#include "ScratchFolder.hpp"
#include "ScratchSettingsFolders.hpp"

namespace velorin::core::system {
namespace {

// Names never set before, many at a time, so that the table of variables grows and
// moves while the lookups walk it.
void addAndRemoveFreshNames(const std::atomic<bool>& done)
{
   constexpr int kBatch = 64;
   for (int batch = 0; !done && batch < 2000; ++batch)
   {
      std::vector<std::string> names;
      for (int i = 0; i < kBatch; ++i)
      {
         names.push_back("VELORIN_FRESH_" + std::to_string(batch) + "_" + std::to_string(i));
         setenv(names.back(), "value " + std::to_string(i));
      }
      for (const std::string& name : names)
         unsetenv(name);
   }
}

TEST(EnvironmentConcurrencyTest, LookupsAndLogSetUpsMeetVariablesAddedAndRemoved)
{
   testing::expectInAFreshProcess([] {
      const testing::ScratchSettingsFolders settings;
      const testing::ScratchFolder logs("logs-%%%%-%%%%");
      std::atomic<bool> done{false};
      std::thread changer([&] { addAndRemoveFreshNames(done); });

      constexpr int kRounds = 2000;
      int found = 0;
      for (int round = 0; round < kRounds; ++round)
      {
         found += userSettingsPath(FilePath(), "Velorin-Desktop", true).isEmpty() ? 0 : 1;
         found += systemSettingsPath("Velorin", false).isEmpty() ? 0 : 1;
         found += userHomePath("").isEmpty() ? 0 : 1;
         // Each set-up adds destinations: fewer of them keep the loop short.
         if (round % 25 == 0)
         {
            EXPECT_FALSE(initializeLog("stress", log::LogLevel::WARNING, FilePath(logs.string()), false));
            EXPECT_FALSE(reinitLog());
         }
      }
      done = true;
      changer.join();
      EXPECT_EQ(found, 3 * kRounds);
   });
}

} // namespace
} // namespace velorin::core::system
