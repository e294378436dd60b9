// LeftoverHooksListenerTest.cpp: a test that ends with a failure armed or calls
// recorded fails, naming what it left, and leaves nothing for the next test.
#include <platform/LeftoverHooksListener.hpp>

#include <string>
#include <vector>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>

namespace velorin::platform {
namespace {

// The failures the listener reports as the current test ends, kept from the test itself.
std::vector<std::string> failuresAtTestEnd()
{
   ::testing::TestPartResultArray results;
   {
      const ::testing::ScopedFakeTestPartResultReporter reporter(
         ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
      LeftoverHooksListener().OnTestEnd(*::testing::UnitTest::GetInstance()->current_test_info());
   }
   std::vector<std::string> messages;
   for (int i = 0; i < results.size(); ++i)
   {
      EXPECT_TRUE(results.GetTestPartResult(i).nonfatally_failed());
      // ADD_FAILURE heads its message with a line of its own.
      const std::string message = results.GetTestPartResult(i).message();
      messages.push_back(message.substr(message.rfind("Failed\n", 0) == 0 ? 7 : 0));
   }
   return messages;
}

const std::string kAdvice = ": make the code reach the armed call, or clear it (clearFailures, takeRecordedCalls).";

TEST(LeftoverHooksListenerTest, ATestEndingWithHooksLeftFailsOnceForEach)
{
   const struct
   {
      const char* name;
      void (*leave)();
      std::vector<std::string> failures;
   } cases[] = {
      {"a failure of the next call",
       [] { failNext("MoveFileExW", ERROR_DISK_FULL); },
       {"The test ended while a failure of MoveFileExW with error 112 is still armed" + kAdvice}},
      {"a failure of a later call",
       [] { failNextAfter("MoveFileExW", 2, ERROR_DISK_FULL); },
       {"The test ended while a failure of MoveFileExW with error 112 after 2 more succeeding calls is still armed" +
        kAdvice}},
      {"calls recorded",
       [] {
          startRecordingCalls();
          ::GetFileAttributesW(L"/");
       },
       {"The test ended while platform calls are still being recorded (1 so far)" + kAdvice}},
      {"two failures and calls recorded",
       [] {
          failNext("ReadFile", ERROR_INVALID_HANDLE);
          failNext("CreateFileW", ERROR_ACCESS_DENIED);
          startRecordingCalls();
       },
       {"The test ended while a failure of CreateFileW with error 5 is still armed" + kAdvice,
        "The test ended while a failure of ReadFile with error 6 is still armed" + kAdvice,
        "The test ended while platform calls are still being recorded (0 so far)" + kAdvice}},
   };
   for (const auto& test : cases)
   {
      test.leave();
      EXPECT_EQ(failuresAtTestEnd(), test.failures) << test.name;
      EXPECT_EQ(takeLeftoverHooks(), std::vector<std::string>{}) << test.name;
   }
}

TEST(LeftoverHooksListenerTest, WhatWasLeftIsClearedForTheNextTest)
{
   failNext("GetFileAttributesW", ERROR_ACCESS_DENIED);
   startRecordingCalls();
   EXPECT_EQ(failuresAtTestEnd().size(), 2u);
   // The call the failure was armed for now succeeds, and is not recorded.
   EXPECT_NE(::GetFileAttributesW(L"/"), INVALID_FILE_ATTRIBUTES);
   EXPECT_EQ(takeRecordedCalls(), std::vector<std::string>{});
}

TEST(LeftoverHooksListenerTest, ATestThatConsumedOrClearedItsHooksPasses)
{
   failNext("GetFileAttributesW", ERROR_ACCESS_DENIED);
   EXPECT_EQ(::GetFileAttributesW(L"/"), INVALID_FILE_ATTRIBUTES);
   failNext("ReadFile", ERROR_INVALID_HANDLE);
   clearFailures();
   startRecordingCalls();
   EXPECT_EQ(takeRecordedCalls(), std::vector<std::string>{});
   EXPECT_EQ(failuresAtTestEnd(), std::vector<std::string>{});
}

} // namespace
} // namespace velorin::platform
