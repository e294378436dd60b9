// ChecksumConcurrencyTest.cpp: first uses of the CRC table from several threads at once.
#include <core/Checksum.hpp>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace velorin::core::checksum {
namespace {

TEST(ChecksumConcurrencyTest, ThreadsStartingTogetherAgree)
{
   std::atomic<bool> go{false};
   std::atomic<int> wrong{0};
   std::vector<std::thread> threads;
   for (int t = 0; t < 8; ++t)
   {
      threads.emplace_back([&] {
         while (!go)
            std::this_thread::yield();
         for (int i = 0; i < 200; ++i)
         {
            if (crc32Hex("123456789") != "CBF43926" || crc32Decimal("abc") != "891568578")
               ++wrong;
         }
      });
   }
   go = true;
   for (std::thread& thread : threads)
      thread.join();
   EXPECT_EQ(0, wrong);
}

} // namespace
} // namespace velorin::core::checksum
