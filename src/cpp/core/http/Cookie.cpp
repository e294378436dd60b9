// Cookie.cpp: the "Set-Cookie" value of a cookie.
#include <core/http/Cookie.hpp>

#include <sstream>

#include <boost/date_time/posix_time/posix_time.hpp>

#include <core/http/URL.hpp>
#include <shared_core/Logger.hpp>

#include "LogText.hpp"

namespace velorin::core::http {

Cookie::Cookie(const Request& request,
               const std::string& name,
               const std::string& value,
               const std::string& path,
               bool httpOnly,
               bool secure)
   : name_(name),
     value_(value),
     path_(path),
     expires_(boost::posix_time::not_a_date_time),
     httpOnly_(httpOnly),
     secure_(secure)
{
   // Without a path the browser scopes the cookie to the request's folder, which is
   // seldom what a cookie set below the root means.
   if (path.empty() && URL::complete(request.uri(), "") != "/")
      log::logWarningMessage("Implicit path used with non-root URL (" + escapeLineBreaks(request.uri()) + ")", ERROR_LOCATION);
}

Cookie::~Cookie() = default;

std::string Cookie::headerValue() const
{
   std::ostringstream text;
   text << name_ << "=" << value_;
   if (!expires_.is_not_a_date_time())
   {
      const boost::gregorian::date date = expires_.date();
      const boost::posix_time::time_duration time = expires_.time_of_day();
      text << "; expires=" << date.day_of_week().as_short_string() << ", " << date.day() << " "
           << date.month().as_short_string() << " " << date.year() << " " << time.hours() << ":" << time.minutes()
           << ":" << time.seconds() << " GMT";
   }
   if (!path_.empty())
      text << "; path=" << path_;
   if (!domain_.empty())
      text << "; domain=" << domain_;
   if (httpOnly_)
      text << "; HttpOnly";
   if (secure_)
      text << "; secure";
   return text.str();
}

} // namespace velorin::core::http
