// CookieTest.cpp: the "Set-Cookie" value of a cookie.
#include <core/http/Cookie.hpp>

#include <string>

#include <gtest/gtest.h>

#include "CapturingLogDestination.hpp"
#include "ForeignLocale.hpp"

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
      {"a", "x; y=z w", "/app", false, true, "example.com", "a=x%3B y=z w; path=/app; domain=example.com; secure"},
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

// A value from request data cannot end the cookie, add attributes or split the
// header: those bytes are percent-encoded; the rest, '%' and '=' included, stay.
TEST(CookieTest, ValueBytesThatWouldChangeTheHeaderArePercentEncoded)
{
   Request request;
   const struct
   {
      std::string value;
      const char* expected;
   } cases[] = {
      {"abc", "sid=abc; path=/"},
      {"x; HttpOnly=0; domain=evil.example", "sid=x%3B HttpOnly=0%3B domain=evil.example; path=/"},
      {"a,b", "sid=a%2Cb; path=/"},
      {"v\r\nSet-Cookie: evil=1", "sid=v%0D%0ASet-Cookie: evil=1; path=/"},
      {std::string("nul\0tab\tdel\x7F", 12), "sid=nul%00tab%09del%7F; path=/"},
      {"\x1F \x80\xC3\xA9", "sid=%1F \x80\xC3\xA9; path=/"},
      {"YWJj==", "sid=YWJj==; path=/"},
      {"100%3B", "sid=100%3B; path=/"},
      {"\"quoted\"", "sid=\"quoted\"; path=/"},
   };
   for (const auto& c : cases)
   {
      Cookie cookie(request, "sid", c.value, "/", false, false);
      EXPECT_EQ(c.expected, cookie.headerValue()) << c.value;
   }
}

// +infinity never expires, so it gets the latest date there is; the other special
// times name no date.
TEST(CookieTest, SpecialExpiryTimesWriteTheLatestDateOrNone)
{
   Request request;
   const struct
   {
      boost::posix_time::special_values expires;
      const char* expected;
   } cases[] = {
      {boost::posix_time::pos_infin, "sid=abc; expires=Fri, 31 Dec 9999 23:59:59 GMT; path=/"},
      {boost::posix_time::neg_infin, "sid=abc; path=/"},
      {boost::posix_time::not_a_date_time, "sid=abc; path=/"},
      {boost::posix_time::max_date_time, "sid=abc; expires=Fri, 31 Dec 9999 23:59:59 GMT; path=/"},
      {boost::posix_time::min_date_time, "sid=abc; expires=Wed, 1 Jan 1400 0:0:0 GMT; path=/"},
   };
   for (const auto& c : cases)
   {
      Cookie cookie(request, "sid", "abc", "/", false, false);
      cookie.setExpires(boost::posix_time::ptime(c.expires));
      std::string value;
      EXPECT_NO_THROW(value = cookie.headerValue()) << c.expected;
      EXPECT_EQ(c.expected, value);
   }
}

TEST(CookieTest, ExpiryNumbersAreNotGroupedByTheGlobalLocale)
{
   const core::testing::ScopedGlobalLocale global(core::testing::builtForeignLocale());
   Request request;
   Cookie cookie(request, "sid", "abc", "/", false, false);
   cookie.setExpires(boost::posix_time::ptime(boost::gregorian::date(2019, 12, 10),
                                              boost::posix_time::time_duration(14, 17, 19)));
   EXPECT_EQ("sid=abc; expires=Tue, 10 Dec 2019 14:17:19 GMT; path=/", cookie.headerValue());
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
