// HttpDateConcurrencyTest.cpp: the one process-wide date facet serves many threads.
#include <core/http/Util.hpp>

#include <gtest/gtest.h>

#include <boost/date_time/posix_time/posix_time.hpp>

#include "ThreadsStartingTogether.hpp"

namespace velorin::core::http::util {
namespace {

TEST(HttpDateConcurrencyTest, ThreadsWriteAndReadDatesAtOnce)
{
   const boost::posix_time::ptime start(boost::gregorian::date(2019, 3, 5));
   EXPECT_EQ(0, testing::countFailedRounds(8, 500, [&](int thread, int round) {
                const boost::posix_time::ptime time = start + boost::posix_time::seconds(thread * 100000 + round * 61);
                return parseHttpDate(formatHttpDate(time)) == time;
             }));
}

} // namespace
} // namespace velorin::core::http::util
