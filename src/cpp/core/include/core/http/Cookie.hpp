// Cookie.hpp: a cookie that a response sets, written as the value of one "Set-Cookie"
// header.
//
//   http::Cookie cookie(request, "sid", "abc", "/", true, true);
//   cookie.headerValue();   // "sid=abc; path=/; HttpOnly; secure"
//
// Names are written as given; in values, control bytes, ';' and ',' are written as
// '%' and two upper-case hexadecimal digits, everything else as given.
#pragma once

#include <string>

#include <boost/date_time/posix_time/posix_time_types.hpp>

#include <core/http/Request.hpp>

namespace velorin::core::http {

class Cookie
{
public:
   // Made for the request it answers. An empty path writes no path attribute, so the
   // browser takes the folder of the request's URI.
   Cookie(const Request& request,
          const std::string& name,
          const std::string& value,
          const std::string& path,
          bool httpOnly,
          bool secure);
   virtual ~Cookie();

   void setDomain(const std::string& domain) { domain_ = domain; }

   // Not-a-date-time, the default, writes no expiry: the cookie lasts the session.
   // +infinity writes the latest date a ptime holds; -infinity writes no expiry.
   void setExpires(const boost::posix_time::ptime& expires) { expires_ = expires; }

   // name=value, then "; expires=" with the date in plain numbers ("Tue, 5 Mar 2019
   // 4:7:9 GMT"), "; path=", "; domain=", "; HttpOnly" and "; secure" as set.
   std::string headerValue() const;

private:
   std::string name_;
   std::string value_;
   std::string domain_;
   std::string path_;
   boost::posix_time::ptime expires_;
   bool httpOnly_;
   bool secure_;
};

} // namespace velorin::core::http
