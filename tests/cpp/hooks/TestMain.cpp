// TestMain.cpp: the main of every test binary.
#include <gtest/gtest.h>

#include <platform/LeftoverHooksListener.hpp>

int main(int argc, char** argv)
{
   ::testing::InitGoogleTest(&argc, argv);
#ifndef _WIN32 // only the Linux stand-ins consume armed failures and record calls
   ::testing::UnitTest::GetInstance()->listeners().Append(new velorin::platform::LeftoverHooksListener);
#endif
   return RUN_ALL_TESTS();
}
