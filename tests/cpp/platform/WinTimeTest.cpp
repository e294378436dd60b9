// WinTimeTest.cpp: _time64 and _gmtime64, with the Windows runtime's range of years.
#include <platform/Win32Api.hpp>
#include <platform/TestHooks.hpp>

#include <cerrno>
#include <ctime>

#include <gtest/gtest.h>

namespace {

TEST(WinTimeTest, Time64GivesAndStoresTheCurrentTime)
{
   const std::time_t before = std::time(nullptr);
   __time64_t stored = 0;
   const __time64_t now = _time64(&stored);
   EXPECT_EQ(now, stored);
   EXPECT_LE(before, now);
   EXPECT_LE(now, std::time(nullptr));
   EXPECT_LE(now, _time64(nullptr));
}

TEST(WinTimeTest, Gmtime64Converts1970ToTheYear3000)
{
   const struct
   {
      __time64_t time;
      int year, month, day, hour, minute, second;
   } cases[] = {
      {0, 70, 0, 1, 0, 0, 0},
      {951782400, 100, 1, 29, 0, 0, 0},         // 2000-02-29
      {32535215999, 1100, 11, 31, 23, 59, 59}, // 3000-12-31 23:59:59
   };
   for (const auto& c : cases)
   {
      const std::tm* parts = _gmtime64(&c.time);
      ASSERT_NE(nullptr, parts) << c.time;
      EXPECT_EQ(c.year, parts->tm_year);
      EXPECT_EQ(c.month, parts->tm_mon);
      EXPECT_EQ(c.day, parts->tm_mday);
      EXPECT_EQ(c.hour, parts->tm_hour);
      EXPECT_EQ(c.minute, parts->tm_min);
      EXPECT_EQ(c.second, parts->tm_sec);
   }
}

TEST(WinTimeTest, Gmtime64RefusesTimesOutsideItsRange)
{
   for (__time64_t time : {__time64_t(-1), __time64_t(32535216000)})
   {
      errno = 0;
      EXPECT_EQ(nullptr, _gmtime64(&time)) << time;
      EXPECT_EQ(EINVAL, errno);
   }
   errno = 0;
   EXPECT_EQ(nullptr, _gmtime64(nullptr));
   EXPECT_EQ(EINVAL, errno);
}

TEST(WinTimeTest, ArmedFailures)
{
   velorin::platform::failNext("_time64", 0);
   EXPECT_EQ(-1, _time64(nullptr));

   const __time64_t zero = 0;
   velorin::platform::failNext("_gmtime64", 0);
   EXPECT_EQ(nullptr, _gmtime64(&zero));
   EXPECT_NE(nullptr, _gmtime64(&zero));
}

} // namespace
