// HttpDateTest.cpp: HTTP dates written and read, the date test and the fraction text.
#include <core/http/Util.hpp>

#include <string>

#include <gtest/gtest.h>

#include <boost/date_time/posix_time/posix_time.hpp>

#include "ForeignLocale.hpp"

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
      {"  tue, 05 MAR 2019 14:07:09 GMT ", at(2019, 3, 5, 14, 7, 9)},
      {"Fri, 29 Feb 2019 14:07:09 GMT", notADate},
      {"Fri, 31 Dec 9999 23:59:59 GMT", at(9999, 12, 31, 23, 59, 59)},
      {"Sat, 31 Dec 2016 23:59:60 GMT", at(2017, 1, 1, 0, 0, 0)},
      {"Tue, 05 Mar 2019 99:99:99 GMT", notADate},
      {"Tue, 05 Mar 2019 24:00:00 GMT", notADate},
      {"Tue, 05 Mar 2019 23:60:00 GMT", notADate},
      {"Tue, 05 Mar 2019 23:59:61 GMT", notADate},
      {"Tue, 05 Mar 2019 14:07:09", notADate},
      {"Tue, 05 Mar 2019 14:07:09 GMT and more", notADate},
      {"Tue, 5 Mar 2019 14:07:09 GMT", notADate},
      {"Tue, 05 Mar 0019 14:07:09 GMT", notADate},
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

// A zone offset is taken off to give UTC; a text that cannot be read as one time is
// refused whole.
TEST(HttpDateTest, ParseIsoDateReadsDateTimeFractionAndZone)
{
   const ptime notADate(boost::posix_time::not_a_date_time);
   const ptime time = at(2019, 3, 5, 14, 7, 9);
   const struct
   {
      const char* text;
      ptime expected;
   } cases[] = {
      {"2019-03-05T14:07:09", time},
      {"2019-03-05T14:07:09.25", time + microseconds(250000)},
      {"2019-03-05T14:07:09.1234567", time + microseconds(123456)},
      {"2019-03-05T14:07:09Z", time},
      {"2019-03-05t14:07:09z", time},
      {"2019-03-05 14:07:09", time},
      {"2019-03-05T14:07:09+05:00", at(2019, 3, 5, 9, 7, 9)},
      {"2019-03-05T14:07:09+0530", at(2019, 3, 5, 8, 37, 9)},
      {"2019-03-05T14:07:09-02", at(2019, 3, 5, 16, 7, 9)},
      {"2019-03-05T14:07:09.5-10:30", at(2019, 3, 6, 0, 37, 9) + microseconds(500000)},
      {"2019-03-05T01:00:00+02:00", at(2019, 3, 4, 23, 0, 0)},
      {"2019-03-05T14:07:09+05:", notADate},
      {"2019-03-05T14:07:09+5", notADate},
      {"2019-03-05T14:07:09+24:00", notADate},
      {"2019-03-05T14:07:09+05:60", notADate},
      {"2019-03-05T14:07:09 PST", notADate},
      {"2019-03-05T14:07:09.", notADate},
      {"2019-03-05T99:99:99", notADate},
      {"2019-03-05T24:00:00", notADate},
      {"2019-02-30T14:07:09", notADate},
      {"1400-01-01T00:00:00+01:00", notADate},
      {"9999-12-31T23:59:59-01:00", notADate},
      {"Tue, 05 Mar 2019 14:07:09 GMT", notADate},
      {"", notADate},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.expected, parseIsoDate(c.text)) << c.text;
}

TEST(HttpDateTest, ParseDateReadsAnyBoostFormat)
{
   EXPECT_TRUE(parseDate("2019/03/05", "%d/%m/%Y").is_not_a_date_time());
   EXPECT_EQ(at(2019, 3, 5, 0, 0, 0), parseDate("05/03/2019", "%d/%m/%Y"));
   EXPECT_EQ(at(2019, 3, 5, 14, 7, 9), parseDate("Tue 05 March 2019 14:07:09", "%a %d %B %Y %H:%M:%S"));
}

void expectEnglishDates()
{
   const ptime time = at(2019, 12, 10, 14, 7, 9);
   EXPECT_EQ("Tue, 10 Dec 2019 14:07:09 GMT", formatHttpDate(time));
   EXPECT_TRUE(isValidHttpDate(formatHttpDate(time)));
   EXPECT_EQ(time, parseHttpDate("Tue, 10 Dec 2019 14:07:09 GMT"));
   EXPECT_EQ(time, parseDate("Tuesday, 10 December 2019 14:07:09", "%A, %d %B %Y %H:%M:%S"));
   EXPECT_EQ(time, parseDate("10 Dec 2019 14:07:09", "%d %b %Y %H:%M:%S"));
}

// The host's global locale governs none of it; the test's locale groups every digit and
// names every day and month "Xx".
TEST(HttpDateTest, DatesAreEnglishWhateverTheGlobalLocale)
{
   const core::testing::ScopedGlobalLocale global(core::testing::builtForeignLocale());
   expectEnglishDates();
}

TEST(HttpDateTest, DatesAreEnglishUnderAnInstalledLocale)
{
   std::locale installed;
   if (!core::testing::installedForeignLocale(&installed))
      GTEST_SKIP() << "no German or French locale installed";
   const core::testing::ScopedGlobalLocale global(installed);
   expectEnglishDates();
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
