// LeftoverHooksListener.hpp: fails the test that ends with a platform failure still
// armed or calls still being recorded, and clears them. A failure armed for a call the
// code no longer makes would otherwise pass its own test and fail a later one, far
// from its cause. The shared test main installs it on Linux, where the stand-ins are.
#pragma once

#include <gtest/gtest.h>

namespace velorin::platform {

// Fails the current test once for each failure left armed and for calls still being
// recorded, and clears them: what the listener does, for a fixture to do before its
// tear-down makes platform calls of its own, which a leftover would fail.
void failOnLeftoverHooks();

class LeftoverHooksListener : public ::testing::EmptyTestEventListener
{
public:
   void OnTestEnd(const ::testing::TestInfo& testInfo) override;
};

} // namespace velorin::platform
