// Cookie.cpp: the "Set-Cookie" value of a cookie.
#include <core/http/Cookie.hpp>

#include <locale>
#include <ostream>
#include <sstream>

#include <boost/date_time/posix_time/posix_time.hpp>

#include <core/http/URL.hpp>
#include <shared_core/Logger.hpp>

#include "../LogText.hpp"

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

namespace {

// Control bytes, ';' and ',' would end the value or the header early, or add
// attributes of the host's choosing; '%' and its two hexadecimal digits stand for them.
void writeValue(std::ostream& text, const std::string& value)
{
   static const char kHexDigits[] = "0123456789ABCDEF";
   for (const char c : value)
   {
      const unsigned char byte = static_cast<unsigned char>(c);
      if (byte < 0x20 || byte == 0x7F || c == ';' || c == ',')
         text << '%' << kHexDigits[byte >> 4] << kHexDigits[byte & 0x0F];
      else
         text << c;
   }
}

} // namespace

std::string Cookie::headerValue() const
{
   // Classic, so that the host's locale groups no digit of the year.
   std::ostringstream text;
   text.imbue(std::locale::classic());
   text << name_ << "=";
   writeValue(text, value_);

   // A cookie that never expires gets the latest date there is; other special times
   // name no date, so the cookie lasts the session.
   const boost::posix_time::ptime expires =
      expires_.is_pos_infinity() ? boost::posix_time::ptime(boost::posix_time::max_date_time) : expires_;
   if (!expires.is_special())
   {
      const boost::gregorian::date date = expires.date();
      const boost::posix_time::time_duration time = expires.time_of_day();
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
