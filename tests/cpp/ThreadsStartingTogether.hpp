// ThreadsStartingTogether.hpp: one piece of work run on several threads released at
// the same moment, so that first uses and shared state meet under contention.
//
//   EXPECT_EQ(0, countFailedRounds(8, 200, [](int thread, int round) { return ...; }));
#pragma once

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace velorin::core::testing {

// Runs round(thread, index) for each index below rounds on each of threadCount threads,
// all started together; gives how many rounds answered false.
inline int countFailedRounds(int threadCount, int rounds, const std::function<bool(int thread, int round)>& round)
{
   std::atomic<bool> go{false};
   std::atomic<int> failed{0};
   std::vector<std::thread> threads;
   for (int t = 0; t < threadCount; ++t)
   {
      threads.emplace_back([&, t] {
         while (!go)
            std::this_thread::yield();
         for (int i = 0; i < rounds; ++i)
         {
            if (!round(t, i))
               ++failed;
         }
      });
   }
   go = true;
   for (std::thread& thread : threads)
      thread.join();
   return failed;
}

} // namespace velorin::core::testing
