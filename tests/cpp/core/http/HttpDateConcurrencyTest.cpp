// HttpDateConcurrencyTest.cpp: the one process-wide date facet serves many threads.
#include <core/http/Util.hpp>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <boost/date_time/posix_time/posix_time.hpp>

namespace velorin::core::http::util {
namespace {

TEST(HttpDateConcurrencyTest, ThreadsWriteAndReadDatesAtOnce)
{
   const boost::posix_time::ptime start(boost::gregorian::date(2019, 3, 5));
   std::atomic<int> mismatches(0);
   std::vector<std::thread> threads;
   for (int t = 0; t < 8; ++t)
   {
      threads.emplace_back([&, t] {
         for (int i = 0; i < 500; ++i)
         {
            const boost::posix_time::ptime time = start + boost::posix_time::seconds(t * 100000 + i * 61);
            if (parseHttpDate(formatHttpDate(time)) != time)
               ++mismatches;
         }
      });
   }
   for (std::thread& thread : threads)
      thread.join();
   EXPECT_EQ(0, mismatches.load());
}

} // namespace
} // namespace velorin::core::http::util
