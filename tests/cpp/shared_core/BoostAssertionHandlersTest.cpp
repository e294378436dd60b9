// BoostAssertionHandlersTest.cpp: failed Boost assertions become warnings.
#include <boost/assert.hpp>
#include <gtest/gtest.h>

#include "CapturingLogDestination.hpp"

namespace velorin::core {
namespace {

TEST(BoostAssertionHandlersTest, FailedAssertionIsLoggedAndExecutionGoesOn)
{
   auto destination = testing::captureLog();
   const char* px = nullptr;
   const long line = __LINE__ + 1;
   BOOST_ASSERT(px != 0);
   BOOST_ASSERT_MSG(1 == 2, "y");
   ASSERT_EQ(2u, destination->lines().size());
   const std::string first = testing::withoutTimestamp(destination->lines()[0]);
   EXPECT_EQ(0u, first.find("[] WARNING ASSERTION FAILED: px != 0; LOGGED FROM: ")) << first;
   EXPECT_NE(std::string::npos,
             first.find("tests/cpp/shared_core/BoostAssertionHandlersTest.cpp:" + std::to_string(line) + "\n"));
   EXPECT_EQ(0u, testing::withoutTimestamp(destination->lines()[1])
                    .find("[] WARNING ASSERTION FAILED: 1 == 2 - y; LOGGED FROM: "));
}

TEST(BoostAssertionHandlersTest, WithoutDestinationsAFailedAssertionIsInvisible)
{
   ::testing::internal::CaptureStderr();
   BOOST_ASSERT(false);
   EXPECT_EQ("", ::testing::internal::GetCapturedStderr());
}

} // namespace
} // namespace velorin::core
