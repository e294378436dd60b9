// HttpDateTest.cpp: HTTP dates written and read, the date test and the fraction text.
#include <core/http/Util.hpp>

#include <string>

#include <gtest/gtest.h>

#include <boost/date_time/posix_time/posix_time.hpp>

namespace velorin::core::http::util {
namespace {

using boost::posix_time::microseconds;
using boost::posix_time::ptime;

ptime at(int year, int month, int day, int hour, int minute, int second)
{
   return ptime(boost::gregorian::date(year, month, day),
                boost::posix_time::hours(hour) + boost::posix_time::minutes(minute) +
                   boost::posix_time::seconds(second));
}

TEST(HttpDateTest, ParseHttpDateReadsTheHttpFormOrGivesNotADateTime)
{
   const ptime notADate(boost::posix_time::not_a_date_time);
   const struct
   {
      const char* text;
      ptime expected;
   } cases[] = {
      {"Tue, 05 Mar 2019 14:07:09 GMT", at(2019, 3, 5, 14, 7, 9)},
      {"Thu, 01 Jan 1970 00:00:00 GMT", at(1970, 1, 1, 0, 0, 0)},
      {"", notADate},
      {"garbage", notADate},
      {"2019-03-05T14:07:09Z", notADate},
      {"Tue, 32 Mar 2019 14:07:09 GMT", notADate},
      {"Tue, 05 Foo 2019 14:07:09 GMT", notADate},
      {"Fri, 31 Dec 9999 24:00:00 GMT", notADate},
      {"\xC3\xA9\xFF\x00", notADate},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.expected, parseHttpDate(c.text)) << c.text;
}

TEST(HttpDateTest, AWrittenDateReadsBackWithoutItsFraction)
{
   const struct
   {
      ptime time;
      const char* text;
   } cases[] = {
      {at(2019, 3, 5, 14, 7, 9), "Tue, 05 Mar 2019 14:07:09 GMT"},
      {at(2000, 2, 29, 23, 59, 59), "Tue, 29 Feb 2000 23:59:59 GMT"},
      {at(1999, 12, 31, 0, 0, 0) + microseconds(250000), "Fri, 31 Dec 1999 00:00:00 GMT"},
   };
   for (const auto& c : cases)
   {
      EXPECT_EQ(c.text, formatHttpDate(c.time));
      EXPECT_EQ(ptime(c.time.date(), boost::posix_time::seconds(c.time.time_of_day().total_seconds())),
                parseHttpDate(formatHttpDate(c.time)))
         << c.text;
   }
   EXPECT_EQ("not-a-date-time", formatHttpDate(ptime(boost::posix_time::not_a_date_time)));
}

TEST(HttpDateTest, ParseIsoDateReadsDateTimeAndFraction)
{
   EXPECT_EQ(at(2019, 3, 5, 14, 7, 9), parseIsoDate("2019-03-05T14:07:09"));
   EXPECT_EQ(at(2019, 3, 5, 14, 7, 9) + microseconds(250000), parseIsoDate("2019-03-05T14:07:09.25"));
   EXPECT_TRUE(parseIsoDate("Tue, 05 Mar 2019 14:07:09 GMT").is_not_a_date_time());
   EXPECT_TRUE(parseDate("2019/03/05", "%d/%m/%Y").is_not_a_date_time());
   EXPECT_EQ(at(2019, 3, 5, 0, 0, 0), parseDate("05/03/2019", "%d/%m/%Y"));
}

TEST(HttpDateTest, IsValidHttpDateFindsAnHttpDateAnywhereInTheText)
{
   const struct
   {
      const char* text;
      bool expected;
   } cases[] = {
      {"Tue, 05 Mar 2019 14:07:09 GMT", true},
      {"since Tue, 05 Mar 2019 14:07:09 GMT; length=3", true},
      {"Tue, 5 Mar 2019 14:07:09 GMT", false},
      {"tue, 05 Mar 2019 14:07:09 GMT", false},
      {"Tue, 05 Mar 2019 14:07:09 UTC", false},
      {"Tue, 05 mar 2019 14:07:09 GMT", false},
      {"", false},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.expected, isValidHttpDate(c.text)) << c.text;
}

TEST(HttpDateTest, FormatMicrosecondsWritesSixDigitsOfTheFraction)
{
   const struct
   {
      std::int64_t ticks;
      bool omitWhenZero;
      const char* expected;
   } cases[] = {
      {7, false, "000007"},
      {250000, false, "250000"},
      {3000000, false, "000000"},
      {3000000, true, ""},
      {3000001, true, "000001"},
      {-1500000, false, "500000"},
      {-7, true, "000007"},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.expected, formatMicroseconds(c.ticks, c.omitWhenZero)) << c.ticks;
}

} // namespace
} // namespace velorin::core::http::util
