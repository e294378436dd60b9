// LeftoverHooksListener.cpp: the check made as each test ends.
#include <platform/LeftoverHooksListener.hpp>

#include <string>
#include <vector>

#include <platform/TestHooks.hpp>

namespace velorin::platform {

void failOnLeftoverHooks()
{
   for (const std::string& leftover : takeLeftoverHooks())
      ADD_FAILURE() << "The test ended while " << leftover
                    << ": make the code reach the armed call, or clear it (clearFailures, takeRecordedCalls).";
}

void LeftoverHooksListener::OnTestEnd(const ::testing::TestInfo& /*testInfo*/)
{
   // The test is still the current one here, so the failures are its own.
   failOnLeftoverHooks();
}

} // namespace velorin::platform
