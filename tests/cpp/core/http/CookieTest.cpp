// CookieTest.cpp: the "Set-Cookie" value of a cookie.
#include <core/http/Cookie.hpp>

#include <string>

#include <gtest/gtest.h>

#include "CapturingLogDestination.hpp"

#include <boost/date_time/posix_time/posix_time.hpp>

namespace velorin::core::http {
namespace {

TEST(CookieTest, HeaderValueWritesTheSetAttributesInOrder)
{
   Request request;
   request.setUri("/");
   const struct
   {
      const char* name;
      const char* value;
      const char* path;
      bool httpOnly;
      bool secure;
      const char* domain;
      const char* expected;
   } cases[] = {
      {"sid", "abc", "/", true, true, "", "sid=abc; path=/; HttpOnly; secure"},
      {"sid", "abc", "", false, false, "", "sid=abc"},
      {"a", "x; y=z w", "/app", false, true, "example.com", "a=x; y=z w; path=/app; domain=example.com; secure"},
      {"", "", "", true, false, "", "=; HttpOnly"},
   };
   for (const auto& c : cases)
   {
      Cookie cookie(request, c.name, c.value, c.path, c.httpOnly, c.secure);
      cookie.setDomain(c.domain);
      EXPECT_EQ(c.expected, cookie.headerValue());
   }
}

TEST(CookieTest, ExpiryIsWrittenInPlainNumbersAfterTheValue)
{
   Request request;
   Cookie cookie(request, "sid", "abc", "/", false, false);
   cookie.setExpires(boost::posix_time::ptime(boost::gregorian::date(2019, 3, 5),
                                              boost::posix_time::time_duration(4, 7, 9)));
   EXPECT_EQ("sid=abc; expires=Tue, 5 Mar 2019 4:7:9 GMT; path=/", cookie.headerValue());

   cookie.setExpires(boost::posix_time::ptime(boost::gregorian::date(2030, 12, 31),
                                              boost::posix_time::time_duration(23, 59, 59)));
   EXPECT_EQ("sid=abc; expires=Tue, 31 Dec 2030 23:59:59 GMT; path=/", cookie.headerValue());

   cookie.setExpires(boost::posix_time::ptime(boost::posix_time::not_a_date_time));
   EXPECT_EQ("sid=abc; path=/", cookie.headerValue());
}

// A cookie without a path is scoped by the browser to the request's folder: worth a
// warning unless that folder is the root.
TEST(CookieTest, ImplicitPathBelowTheRootIsWarnedAbout)
{
   const struct
   {
      const char* uri;
      const char* path;
      bool warned;
   } cases[] = {
      {"/", "", false},
      {"/index.html", "", false},
      {"/app/page", "", true},
      {"/app/page", "/app", false},
      {"http://example.com/app/x?y=1", "", true},
   };
   for (const auto& c : cases)
   {
      auto log = testing::captureLog();
      Request request;
      request.setUri(c.uri);
      Cookie cookie(request, "sid", "abc", c.path, false, false);
      const std::vector<std::string> lines = log->lines();
      ASSERT_EQ(c.warned ? 1u : 0u, lines.size()) << c.uri;
      if (c.warned)
      {
         EXPECT_NE(std::string::npos, lines[0].find("WARNING Implicit path used with non-root URL (" + std::string(c.uri) + ")"))
            << lines[0];
      }
      EXPECT_EQ("sid=abc" + std::string(*c.path ? "; path=" : "") + c.path, cookie.headerValue()) << "the path stays as given";
   }
}

TEST(CookieTest, ImplicitPathWarningIsOneLogLineWhateverTheUri)
{
   for (const char* uri : {"/app/page\r\n01 Jan 2026 00:00:00 [demo] ERROR forged", "/a/b\n\n", "/a/\rb"})
   {
      auto log = testing::captureLog();
      Request request;
      request.setUri(uri);
      Cookie cookie(request, "sid", "abc", "", false, false);
      const std::vector<std::string> lines = log->lines();
      ASSERT_EQ(1u, lines.size()) << uri;
      EXPECT_NE(std::string::npos, lines[0].find("WARNING Implicit path used with non-root URL (/a")) << lines[0];
      EXPECT_EQ(lines[0].size() - 1, lines[0].find_first_of("\r\n")) << lines[0];
   }
}

} // namespace
} // namespace velorin::core::http
