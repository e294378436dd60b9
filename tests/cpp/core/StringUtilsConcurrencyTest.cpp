// StringUtilsConcurrencyTest.cpp: the letter tables built by racing first callers.
#include <core/StringUtils.hpp>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace velorin::core::string_utils {
namespace {

TEST(LetterTablesConcurrency, RacingFirstCallsSeeWholeTables)
{
   std::atomic<bool> go{false};
   std::atomic<int> letters{0};
   std::atomic<int> lettersOrDigits{0};
   std::vector<std::thread> threads;
   for (int t = 0; t < 8; ++t)
   {
      threads.emplace_back([&] {
         while (!go.load())
            std::this_thread::yield();
         int alpha = 0;
         int alnum = 0;
         for (wchar_t unit = 0; unit <= 0xFFFF; ++unit)
         {
            alpha += isalpha(unit) ? 1 : 0;
            alnum += isalnum(unit) ? 1 : 0;
         }
         letters += alpha;
         lettersOrDigits += alnum;
      });
   }
   go = true;
   for (std::thread& thread : threads)
      thread.join();

   int alpha = 0;
   int alnum = 0;
   for (wchar_t unit = 0; unit <= 0xFFFF; ++unit)
   {
      alpha += isalpha(unit) ? 1 : 0;
      alnum += isalnum(unit) ? 1 : 0;
   }
   EXPECT_GT(alpha, 0);
   EXPECT_GT(alnum, alpha);
   EXPECT_EQ(8 * alpha, letters.load());
   EXPECT_EQ(8 * alnum, lettersOrDigits.load());
}

} // namespace
} // namespace velorin::core::string_utils
