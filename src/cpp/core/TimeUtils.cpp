// TimeUtils.cpp: conversions between ptime, epoch counts and text.
//
// Formatting and parsing go through Boost's time facets on a stream of their own, so
// the host's global locale is never changed and only the stream sees the format.
#include <core/TimeUtils.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <locale>
#include <sstream>
#include <stdexcept>

#include <boost/date_time/c_local_time_adjustor.hpp>
#include <boost/date_time/posix_time/posix_time.hpp>

#include <platform/Win32Api.hpp>

namespace velorin::core::time_utils {
namespace {

using boost::posix_time::ptime;

const ptime kEpoch(boost::gregorian::date(1970, 1, 1));
const char* const kDisplayFormat = "%d %b %Y %H:%M:%S";

// The whole milliseconds of the earliest and the latest ptime from the epoch.
std::int64_t earliestMilliseconds()
{
   static const std::int64_t earliest =
      (ptime(boost::posix_time::min_date_time) - kEpoch).total_milliseconds();
   return earliest;
}

std::int64_t latestMilliseconds()
{
   static const std::int64_t latest =
      (ptime(boost::posix_time::max_date_time) - kEpoch).total_milliseconds();
   return latest;
}

// Boost adds a parsed time of day to its date unchecked, so 24:00:00 or a 60th
// second on ptime's last day makes a value past its range, which cannot be written.
bool isWithinRange(const ptime& time)
{
   return time.is_special() ||
          (time >= ptime(boost::posix_time::min_date_time) && time <= ptime(boost::posix_time::max_date_time));
}

} // namespace

const std::string kIso8601UtcFormat = "%Y-%m-%dT%H:%M:%S%FZ";

std::string formatEpochMilliseconds(double milliseconds)
{
   if (std::isnan(milliseconds))
      return formatTime(ptime(boost::posix_time::not_a_date_time), kDisplayFormat);

   // Within ptime's years the cast is exact; beyond them the clamped count still
   // lies outside and becomes an infinity.
   const double limit = static_cast<double>(latestMilliseconds()) * 2;
   const double count = std::max(-limit, std::min(milliseconds, limit));
   return formatTime(fromEpochMilliseconds(static_cast<std::int64_t>(count)), kDisplayFormat);
}

std::string formatTime(const ptime& time, const std::string& format)
{
   // Owned here with a reference count of 1, so that the stream's locale never
   // deletes it; the stream ends before the facet does.
   boost::posix_time::time_facet facet(1);
   facet.format(format.c_str());

   std::ostringstream stream;
   stream.imbue(std::locale(stream.getloc(), &facet));
   stream << time;
   return stream.str();
}

ptime fromEpochMilliseconds(std::int64_t milliseconds)
{
   // Boost's arithmetic would make an invalid date beyond ptime's years, or
   // overflow its microsecond count.
   if (milliseconds < earliestMilliseconds())
      return ptime(boost::posix_time::neg_infin);
   if (milliseconds > latestMilliseconds())
      return ptime(boost::posix_time::pos_infin);
   return kEpoch + boost::posix_time::milliseconds(milliseconds);
}

ptime fromEpochSeconds(double seconds)
{
   // The range is checked after truncation, so a fraction past the last whole second
   // of ptime's years still counts.
   const double truncated = std::trunc(seconds);
   if (std::isnan(truncated) || truncated < earliestMilliseconds() / 1000 ||
       truncated > latestMilliseconds() / 1000)
      return ptime(boost::posix_time::not_a_date_time);

   // Whole hours and the remaining seconds each fit the 32-bit long of Windows.
   const std::int64_t wholeSeconds = static_cast<std::int64_t>(truncated);
   return kEpoch + boost::posix_time::hours(static_cast<long>(wholeSeconds / 3600)) +
          boost::posix_time::seconds(static_cast<long>(wholeSeconds % 3600));
}

std::string localUtcOffsetText()
{
   const __time64_t now = ::_time64(nullptr);
   const std::tm* utcParts = ::_gmtime64(&now);
   if (utcParts == nullptr)
      throw std::runtime_error("could not convert calendar time to UTC time");

   const ptime utc = boost::posix_time::ptime_from_tm(*utcParts);
   const ptime local = boost::date_time::c_local_adjustor<ptime>::utc_to_local(utc);

   std::ostringstream stream;
   auto* facet = new boost::posix_time::time_facet();
   facet->time_duration_format("%+%H:%M");
   stream.imbue(std::locale(stream.getloc(), facet));
   stream << (local - utc);
   return stream.str();
}

bool parseIso8601UtcTime(const std::string& text, ptime* out)
{
   return parseTime(text, kIso8601UtcFormat, out);
}

bool parseTime(const std::string& text, const std::string& format, ptime* out)
{
   std::istringstream stream(text);
   stream.imbue(std::locale(stream.getloc(), new boost::posix_time::time_input_facet(format)));

   ptime time(boost::posix_time::not_a_date_time);
   stream >> time;
   if (stream.fail() || !isWithinRange(time))
      return false;

   *out = time;
   return true;
}

bool parseTimeWithZone(const std::string& text, ptime* out)
{
   return parseTime(text, "%Y-%m-%d %H:%M:%S %ZP", out);
}

double toEpochMilliseconds(const ptime& time)
{
   // Boost's durations of special times hold sentinel tick counts, not numbers.
   if (time.is_pos_infinity())
      return std::numeric_limits<double>::infinity();
   if (time.is_neg_infinity())
      return -std::numeric_limits<double>::infinity();
   if (time.is_special())
      return std::numeric_limits<double>::quiet_NaN();

   const std::int64_t milliseconds = (time - kEpoch).total_microseconds() / 1000;
   return static_cast<double>(milliseconds);
}

double toEpochMilliseconds()
{
   return toEpochMilliseconds(boost::posix_time::microsec_clock::universal_time());
}

double toEpochMilliseconds(std::time_t time)
{
   return std::difftime(time, 0) * 1000;
}

double toEpochSeconds(const ptime& time)
{
   return toEpochMilliseconds(time) / 1000.0;
}

double toEpochSeconds()
{
   return toEpochMilliseconds() / 1000.0;
}

double toEpochSeconds(std::time_t time)
{
   return toEpochMilliseconds(time) / 1000.0;
}

} // namespace velorin::core::time_utils
