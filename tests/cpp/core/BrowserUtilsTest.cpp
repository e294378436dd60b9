// BrowserUtilsTest.cpp: browser families, minimum versions and support from real and
// hostile user-agent texts.
#include <core/BrowserUtils.hpp>

#include <gtest/gtest.h>

namespace velorin::core::browser_utils {
namespace {

TEST(BrowserUtilsTest, FamiliesAndSupport)
{
   const struct
   {
      std::string userAgent;
      bool chrome;
      bool firefox;
      bool safari;
      bool trident;
      bool qtWebKit;
      bool supported;
   } cases[] = {
      // Chrome names Safari and AppleWebKit too, and is judged as Chrome alone.
      {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
       "Chrome/69.0.3497.100 Safari/537.36",
       true, false, false, false, false, true},
      {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
       "Chrome/68.0.3440.106 Safari/537.36",
       true, false, false, false, false, false},
      {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
       "Chrome/79.0.3945.74 Safari/537.36 Edg/79.0.309.43",
       true, false, false, false, false, true},
      // The first version in the text decides.
      {"Chrome/68.0 Chrome/90.0", true, false, false, false, false, false},
      // Missing digits count as new enough; more than four digits are cut to four.
      {"Mozilla/5.0 AppleWebKit/537.36 Chrome/ Safari/537.36", true, false, false, false, false, true},
      {"Chrome/12345", true, false, false, false, false, true},
      {"Mozilla/5.0 (X11; Linux x86_64) chrome/90.0", false, false, false, false, false, false},
      {"Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1; chromeframe/11.0.696.57)",
       true, false, false, false, false, false},
      {"Mozilla/5.0 (Windows NT 10.0; rv:68.0) Gecko/20100101 Firefox/68.0",
       false, true, false, false, false, true},
      {"Mozilla/5.0 (Windows NT 10.0; rv:67.0) Gecko/20100101 Firefox/67.0",
       false, true, false, false, false, false},
      {"Mozilla/5.0 (Macintosh; Intel Mac OS X 10_14_4) AppleWebKit/605.1.15 (KHTML, like Gecko) "
       "Version/12.1 Safari/605.1.15",
       false, false, true, false, false, true},
      {"Mozilla/5.0 (Macintosh; Intel Mac OS X 10_14) AppleWebKit/605.1.15 (KHTML, like Gecko) "
       "Version/12.0 Safari/605.1.15",
       false, false, true, false, false, false},
      {"Mozilla/5.0 (Macintosh) AppleWebKit/601.7.7 (KHTML, like Gecko) Version/9.1 Safari/601.7.7",
       false, false, true, false, false, false},
      {"Mozilla/5.0 (iPhone) AppleWebKit/605.1.15 (KHTML, like Gecko) Mobile/15E148",
       false, false, true, false, false, true},
      {"Mozilla/5.0 (Windows NT 10.0; WOW64; Trident/7.0; rv:11.0) like Gecko",
       false, false, false, true, false, true},
      {"Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.1; Trident/6.0)",
       false, false, false, true, false, false},
      {"Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
       "QtWebEngine/5.15.2 Chrome/83.0.4103.122 Safari/537.36",
       true, false, false, false, true, true},
      {"Qt/4.8 (X11) AppleWebKit/534.34 (KHTML, like Gecko) Safari/534.34",
       false, false, true, false, true, true},
      {"curl/7.64.1", false, false, false, false, false, false},
      {"", false, false, false, false, false, false},
      // Text that is not ASCII, or not UTF-8 at all, is only looked at byte by byte.
      {"Mozilla/5.0 (Windows NT 10.0; \xE4\xB8\xAD\xE6\x96\x87) AppleWebKit/537.36 Chrome/68.0 Safari/537.36",
       true, false, false, false, false, false},
      {"\xFF\xFE Firefox/60.0 \x80", false, true, false, false, false, false},
      {"Firefox/\xD9\xA1\xD9\xA2", false, true, false, false, false, true},
      {std::string("Firefox/\0" "60", 11), false, true, false, false, false, true},
      {std::string(1 << 20, 'x') + " Chrome/68.0", true, false, false, false, false, false},
      {std::string(1 << 20, '/') + " Firefox/99", false, true, false, false, false, true},
   };
   for (const auto& c : cases)
   {
      SCOPED_TRACE(c.userAgent.substr(0, 120));
      EXPECT_EQ(c.chrome, isChrome(c.userAgent));
      EXPECT_EQ(c.firefox, isFirefox(c.userAgent));
      EXPECT_EQ(c.safari, isSafari(c.userAgent));
      EXPECT_EQ(c.trident, isTrident(c.userAgent));
      EXPECT_EQ(c.qtWebKit, isQtWebKit(c.userAgent));
      EXPECT_EQ(c.supported, isSupportedBrowser(c.userAgent));
   }
}

TEST(BrowserUtilsTest, OlderThanNeedsTheFamilyAndALowerVersion)
{
   const struct
   {
      bool (*olderThan)(const std::string&, double);
      const char* userAgent;
      double minimum;
      bool older;
   } cases[] = {
      {isChromeOlderThan, "Chrome/70.0", 71, true},
      {isChromeOlderThan, "Chrome/70.0", 70, false},
      {isChromeOlderThan, "Firefox/1.0", 70, false},
      {isFirefoxOlderThan, "Firefox/91.0", 91.5, true},
      {isFirefoxOlderThan, "Chrome/1.0", 70, false},
      {isSafariOlderThan, "AppleWebKit Version/13.1", 13.2, true},
      {isSafariOlderThan, "AppleWebKit Version/13.1", 13.1, false},
      // Chrome's text names Safari, but it is not Safari.
      {isSafariOlderThan, "AppleWebKit Chrome/1 Version/1.0 Safari", 13, false},
      {isTridentOlderThan, "Trident/5.0", 5.5, true},
      {isTridentOlderThan, "Trident/", 99, false},
   };
   for (const auto& c : cases)
   {
      SCOPED_TRACE(c.userAgent);
      EXPECT_EQ(c.older, c.olderThan(c.userAgent, c.minimum));
   }
}

TEST(BrowserUtilsTest, HasMinimumVersionReadsGroupOne)
{
   const struct
   {
      const char* userAgent;
      const char* expression;
      double minimum;
      bool hasMinimum;
   } cases[] = {
      {"Version/12.1", R"(Version/(\d{1,4}\.\d))", 12.1, true},
      {"Version/12.1", R"(Version/(\d{1,4}\.\d))", 12.2, false},
      {"Name/1 Name/9", R"(Name/(\d))", 5, false},
      {"no version here", R"(Name/(\d))", 5, true},
      // Group 1 that does not read as a number, or took no part, counts as new enough.
      {"Name/abc", R"(Name/(\w+))", 5, true},
      {"Name/x", R"(Name/(\d+)?)", 5, true},
   };
   for (const auto& c : cases)
   {
      SCOPED_TRACE(std::string(c.userAgent) + " " + c.expression);
      EXPECT_EQ(c.hasMinimum, hasMinimumVersion(c.userAgent, boost::regex(c.expression), c.minimum));
   }
}

} // namespace
} // namespace velorin::core::browser_utils
