// TimeUtilsTest.cpp: epoch conversions, time text and the local UTC offset.
#include <core/TimeUtils.hpp>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <stdexcept>

#include <gtest/gtest.h>

#include <boost/date_time/posix_time/posix_time.hpp>

#include <platform/TestHooks.hpp>

#include "ScopedEnvironment.hpp"

namespace velorin::core::time_utils {
namespace {

using boost::posix_time::hours;
using boost::posix_time::microseconds;
using boost::posix_time::milliseconds;
using boost::posix_time::ptime;
using boost::posix_time::seconds;

const ptime kEpoch(boost::gregorian::date(1970, 1, 1));

ptime at(int year, int month, int day, int hour, int minute, int second)
{
   return ptime(boost::gregorian::date(year, month, day),
                hours(hour) + boost::posix_time::minutes(minute) + seconds(second));
}

TEST(TimeUtilsTest, ToEpochMillisecondsTruncatesTowardZero)
{
   const struct
   {
      ptime time;
      double expected;
   } cases[] = {
      {kEpoch, 0},
      {kEpoch + microseconds(1999), 1},
      {kEpoch - microseconds(1500), -1},
      {kEpoch + milliseconds(86400000), 86400000},
      {at(2020, 1, 2, 3, 4, 5) + microseconds(999), 1577934245000},
   };
   for (const auto& c : cases)
   {
      EXPECT_EQ(c.expected, toEpochMilliseconds(c.time)) << c.time;
      EXPECT_EQ(c.expected / 1000.0, toEpochSeconds(c.time)) << c.time;
   }
}

TEST(TimeUtilsTest, EpochCountsOfSpecialTimesAreInfinitiesOrNotANumber)
{
   const double infinity = std::numeric_limits<double>::infinity();
   EXPECT_EQ(infinity, toEpochMilliseconds(ptime(boost::posix_time::pos_infin)));
   EXPECT_EQ(-infinity, toEpochMilliseconds(ptime(boost::posix_time::neg_infin)));
   EXPECT_TRUE(std::isnan(toEpochMilliseconds(ptime(boost::posix_time::not_a_date_time))));
   EXPECT_EQ(infinity, toEpochSeconds(ptime(boost::posix_time::pos_infin)));
   EXPECT_TRUE(std::isnan(toEpochSeconds(ptime())));

   // So the counts go back to the same special times.
   EXPECT_TRUE(fromEpochSeconds(toEpochSeconds(ptime())).is_not_a_date_time());
   EXPECT_EQ("+infinity", formatEpochMilliseconds(toEpochMilliseconds(ptime(boost::posix_time::pos_infin))));
   EXPECT_EQ("-infinity", formatEpochMilliseconds(toEpochMilliseconds(ptime(boost::posix_time::neg_infin))));
}

TEST(TimeUtilsTest, EpochCountsOfTimeT)
{
   EXPECT_EQ(1500000.0, toEpochMilliseconds(std::time_t(1500)));
   EXPECT_EQ(1500.0, toEpochSeconds(std::time_t(1500)));
}

TEST(TimeUtilsTest, EpochCountsOfNowFollowTheClock)
{
   const double before = toEpochMilliseconds(boost::posix_time::microsec_clock::universal_time());
   const double now = toEpochMilliseconds();
   const double nowSeconds = toEpochSeconds();
   const double after = toEpochMilliseconds(boost::posix_time::microsec_clock::universal_time());
   EXPECT_LE(before, now);
   EXPECT_LE(now, after);
   EXPECT_LE(before / 1000.0, nowSeconds);
   EXPECT_LE(nowSeconds, after / 1000.0);
   EXPECT_EQ(std::floor(now), now);
}

TEST(TimeUtilsTest, FromEpochMilliseconds)
{
   EXPECT_EQ(at(1970, 1, 2, 0, 0, 0), fromEpochMilliseconds(86400000));
   EXPECT_EQ(kEpoch - milliseconds(1), fromEpochMilliseconds(-1));
   EXPECT_EQ(at(2020, 1, 2, 3, 4, 5), fromEpochMilliseconds(1577934245000));
   EXPECT_EQ(at(9999, 12, 31, 23, 59, 59) + milliseconds(999), fromEpochMilliseconds(253402300799999));
   EXPECT_EQ(at(1400, 1, 1, 0, 0, 0), fromEpochMilliseconds(-17987443200000));
   // Beyond ptime's years, including counts whose microseconds overflow 64 bits.
   EXPECT_TRUE(fromEpochMilliseconds(253402300800000).is_pos_infinity());
   EXPECT_TRUE(fromEpochMilliseconds(std::numeric_limits<std::int64_t>::max()).is_pos_infinity());
   EXPECT_TRUE(fromEpochMilliseconds(-17987443200001).is_neg_infinity());
   EXPECT_TRUE(fromEpochMilliseconds(std::numeric_limits<std::int64_t>::min()).is_neg_infinity());
}

TEST(TimeUtilsTest, FromEpochSecondsDropsTheFraction)
{
   const struct
   {
      double seconds;
      ptime expected;
   } cases[] = {
      {0, kEpoch},
      {1.75, kEpoch + seconds(1)},
      {-1.75, kEpoch - seconds(1)},
      {2147483647, at(2038, 1, 19, 3, 14, 7)},
      {-2147483648.0, at(1901, 12, 13, 20, 45, 52)},
      // Beyond the 32-bit range, still exact.
      {4102444800.5, at(2100, 1, 1, 0, 0, 0)},
      {253402300799.0, at(9999, 12, 31, 23, 59, 59)},
      // A fraction beyond the first or last whole second still truncates into the years.
      {253402300799.5, at(9999, 12, 31, 23, 59, 59)},
      {-17987443200.5, at(1400, 1, 1, 0, 0, 0)},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.expected, fromEpochSeconds(c.seconds)) << c.seconds;

   for (double outside : {std::nan(""), 1e20, -1e20, std::numeric_limits<double>::infinity()})
      EXPECT_TRUE(fromEpochSeconds(outside).is_not_a_date_time()) << outside;
}

TEST(TimeUtilsTest, FormatTime)
{
   const ptime time = at(2020, 1, 2, 3, 4, 5);
   EXPECT_EQ("2020-01-02T03:04:05Z", formatTime(time, kIso8601UtcFormat));
   EXPECT_EQ("2020-01-02T03:04:05.500000Z", formatTime(time + milliseconds(500), kIso8601UtcFormat));
   EXPECT_EQ("2020-01-02T03:04:05.000001Z", formatTime(time + microseconds(1), kIso8601UtcFormat));
   EXPECT_EQ("Thu, 02 Jan 2020 03:04:05 GMT", formatTime(time, "%a, %d %b %Y %H:%M:%S GMT"));
   EXPECT_EQ("not-a-date-time", formatTime(ptime(), kIso8601UtcFormat));
}

TEST(TimeUtilsTest, FormatEpochMilliseconds)
{
   EXPECT_EQ("02 Jan 1970 00:00:00", formatEpochMilliseconds(86400000));
   EXPECT_EQ("01 Jan 1970 00:00:00", formatEpochMilliseconds(999.9));
   EXPECT_EQ("31 Dec 1969 23:59:59", formatEpochMilliseconds(-0.5 - 1000));
   EXPECT_EQ("not-a-date-time", formatEpochMilliseconds(std::nan("")));
   EXPECT_EQ("+infinity", formatEpochMilliseconds(1e300));
   EXPECT_EQ("-infinity", formatEpochMilliseconds(-std::numeric_limits<double>::infinity()));
}

TEST(TimeUtilsTest, ParseIso8601UtcTimeReadsWhatFormatTimeWrites)
{
   for (const ptime& time : {at(2020, 1, 2, 3, 4, 5), at(2020, 1, 2, 3, 4, 5) + milliseconds(500),
                             at(1999, 12, 31, 23, 59, 59) + microseconds(123456)})
   {
      ptime parsed;
      ASSERT_TRUE(parseIso8601UtcTime(formatTime(time, kIso8601UtcFormat), &parsed)) << time;
      EXPECT_EQ(time, parsed);
   }
}

TEST(TimeUtilsTest, ParseFailureLeavesTheOutputUnchanged)
{
   const ptime before = at(2001, 2, 3, 4, 5, 6);
   for (const char* text : {"", "yesterday", "2020-13-02T03:04:05Z", "2020-01-02T03:xx:05Z"})
   {
      ptime out = before;
      EXPECT_FALSE(parseIso8601UtcTime(text, &out)) << text;
      EXPECT_EQ(before, out) << text;
   }
}

TEST(TimeUtilsTest, ATextPastTheRangeOfPtimeIsNoTime)
{
   const ptime before = at(2001, 2, 3, 4, 5, 6);
   const struct
   {
      const char* text;
      bool (*parse)(const std::string&, ptime*);
   } cases[] = {
      {"9999-12-31T24:00:00Z", parseIso8601UtcTime},
      {"9999-12-31T23:59:60Z", parseIso8601UtcTime},
      {"9999-12-31T23:60:00Z", parseIso8601UtcTime},
      {"9999-12-31T99:00:00Z", parseIso8601UtcTime},
      {"9999-12-31 24:00:00 EST-05", parseTimeWithZone},
      {"9999-12-31 23:59:60 EST-05", parseTimeWithZone},
   };
   for (const auto& c : cases)
   {
      ptime out = before;
      EXPECT_FALSE(c.parse(c.text, &out)) << c.text;
      EXPECT_EQ(before, out) << c.text;
   }
}

TEST(TimeUtilsTest, TheEdgesOfTheRangeOfPtimeAreTimes)
{
   for (const char* text : {"9999-12-31T23:59:59.999999Z", "1400-01-01T00:00:00Z"})
   {
      ptime out;
      ASSERT_TRUE(parseIso8601UtcTime(text, &out)) << text;
      EXPECT_EQ(text, formatTime(out, kIso8601UtcFormat));
   }
}

TEST(TimeUtilsTest, ParseTimeWithAFormat)
{
   ptime out;
   ASSERT_TRUE(parseTime("02 Jan 2020 03:04:05", "%d %b %Y %H:%M:%S", &out));
   EXPECT_EQ(at(2020, 1, 2, 3, 4, 5), out);

   ASSERT_TRUE(parseTimeWithZone("2020-01-02 03:04:05 EST-05", &out));
   EXPECT_EQ(at(2020, 1, 2, 3, 4, 5), out);

   ptime unchanged = at(2001, 2, 3, 4, 5, 6);
   EXPECT_FALSE(parseTimeWithZone("2020-01-02 03:xx:05 EST-05", &unchanged));
   EXPECT_EQ(at(2001, 2, 3, 4, 5, 6), unchanged);
}

// Sets the C runtime's time zone for one test; each test runs in its own process.
void useTimeZone(const char* zone)
{
   ::setenv("TZ", zone, 1);
   ::tzset();
}

TEST(TimeUtilsTest, LocalUtcOffsetText)
{
   const struct
   {
      const char* zone;
      const char* expected;
   } cases[] = {
      {"UTC0", "+00:00"},
      {"CET-1", "+01:00"},
      {"EST5", "-05:00"},
      {"IST-5:30", "+05:30"},
      {"NST3:30", "-03:30"},
   };
   for (const auto& c : cases)
   {
      useTimeZone(c.zone);
      EXPECT_EQ(c.expected, localUtcOffsetText()) << c.zone;
   }
}

#ifndef _WIN32
// Arms a failure of the Linux stand-in, which Windows' own function does not heed.
TEST(TimeUtilsTest, LocalUtcOffsetTextLetsAConversionFailureThrough)
{
   platform::failNext("_gmtime64", 22);
   EXPECT_THROW(localUtcOffsetText(), std::runtime_error);
}
#endif

} // namespace
} // namespace velorin::core::time_utils
