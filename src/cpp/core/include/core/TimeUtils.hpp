// TimeUtils.hpp: time stamps as epoch counts and as text.
//
//   time_utils::formatTime(time, time_utils::kIso8601UtcFormat);  // "2020-01-02T03:04:05Z"
//   time_utils::fromEpochMilliseconds(86400000);                   // 1970-01-02 00:00:00
//
// Times are UTC ptime values with microsecond resolution; formats are Boost.Date_Time
// format strings.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include <boost/date_time/posix_time/posix_time_types.hpp>

namespace velorin::core::time_utils {

// "%Y-%m-%dT%H:%M:%S%FZ": %F adds the fraction of a second only when it is not zero.
extern const std::string kIso8601UtcFormat;

// "%d %b %Y %H:%M:%S" of the count truncated toward zero.
std::string formatEpochMilliseconds(double milliseconds);

// Month and day names come from the locale of a fresh string stream.
std::string formatTime(const boost::posix_time::ptime& time, const std::string& format);

// Beyond the years 1400 to 9999 that ptime holds: -infinity or +infinity.
boost::posix_time::ptime fromEpochMilliseconds(std::int64_t milliseconds);

// The fraction is dropped. Any count within the years ptime holds is accepted; a
// count beyond them, or not a number, gives not-a-date-time.
boost::posix_time::ptime fromEpochSeconds(double seconds);

// The current local offset from UTC, such as "+01:00" or "-05:00".
std::string localUtcOffsetText();

bool parseIso8601UtcTime(const std::string& text, boost::posix_time::ptime* out);

// False, with out unchanged, when the text does not fit the format.
bool parseTime(const std::string& text, const std::string& format, boost::posix_time::ptime* out);

// The format "%Y-%m-%d %H:%M:%S %ZP".
bool parseTimeWithZone(const std::string& text, boost::posix_time::ptime* out);

// Whole milliseconds since 1970-01-01 UTC, truncated toward zero; an infinite time
// gives an infinity of its sign, not-a-date-time gives NaN.
double toEpochMilliseconds(const boost::posix_time::ptime& time);
double toEpochMilliseconds();
double toEpochMilliseconds(std::time_t time);

// The matching millisecond count divided by 1000.
double toEpochSeconds(const boost::posix_time::ptime& time);
double toEpochSeconds();
double toEpochSeconds(std::time_t time);

} // namespace velorin::core::time_utils
