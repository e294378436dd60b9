// BrowserUtils.cpp: browser families and versions from substrings and expressions.
//
// Each version expression is built on its first use and only read after that, so
// any thread may test at any time.
#include <core/BrowserUtils.hpp>

#include <core/RegexUtils.hpp>
#include <shared_core/SafeConvert.hpp>

namespace velorin::core::browser_utils {
namespace {

bool contains(const std::string& text, const char* part)
{
   return text.find(part) != std::string::npos;
}

} // namespace

bool hasMinimumVersion(const std::string& userAgent, const boost::regex& versionRegex, double minimum)
{
   boost::smatch match;
   if (!regex_utils::search(userAgent, match, versionRegex))
      return true;
   const double version = safe_convert::stringTo<double>(match.str(1), minimum);
   return !(minimum > version);
}

bool isChrome(const std::string& userAgent)
{
   return contains(userAgent, "Chrome") || contains(userAgent, "chromeframe");
}

bool isChromeOlderThan(const std::string& userAgent, double minimum)
{
   static const boost::regex& kVersion = *new boost::regex(R"((?:Chrome|chromeframe)/(\d{1,4}))");
   return isChrome(userAgent) && !hasMinimumVersion(userAgent, kVersion, minimum);
}

bool isFirefox(const std::string& userAgent)
{
   return contains(userAgent, "Firefox");
}

bool isFirefoxOlderThan(const std::string& userAgent, double minimum)
{
   static const boost::regex& kVersion = *new boost::regex(R"(Firefox/(\d{1,4}))");
   return isFirefox(userAgent) && !hasMinimumVersion(userAgent, kVersion, minimum);
}

bool isQtWebKit(const std::string& userAgent)
{
   return contains(userAgent, "AppleWebKit") && contains(userAgent, "Qt");
}

bool isSafari(const std::string& userAgent)
{
   return (contains(userAgent, "Safari") || contains(userAgent, "AppleWebKit")) &&
          !contains(userAgent, "Chrome");
}

bool isSafariOlderThan(const std::string& userAgent, double minimum)
{
   static const boost::regex& kVersion = *new boost::regex(R"(Version/(\d{1,4}\.\d))");
   return isSafari(userAgent) && !hasMinimumVersion(userAgent, kVersion, minimum);
}

bool isSupportedBrowser(const std::string& userAgent)
{
   if (isChromeOlderThan(userAgent, 69) || isFirefoxOlderThan(userAgent, 68) ||
       isSafariOlderThan(userAgent, 12.1) || isTridentOlderThan(userAgent, 7))
      return false;
   return isChrome(userAgent) || isFirefox(userAgent) || isSafari(userAgent) || isTrident(userAgent);
}

bool isTrident(const std::string& userAgent)
{
   return contains(userAgent, "Trident");
}

bool isTridentOlderThan(const std::string& userAgent, double minimum)
{
   static const boost::regex& kVersion = *new boost::regex(R"(Trident/(\d{1,4}))");
   return isTrident(userAgent) && !hasMinimumVersion(userAgent, kVersion, minimum);
}

} // namespace velorin::core::browser_utils
