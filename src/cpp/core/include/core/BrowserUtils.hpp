// BrowserUtils.hpp: the browser family and version named by a "User-Agent" text.
//
//   browser_utils::isSupportedBrowser(userAgent);   // false for Chrome 68 or Firefox 67
//   browser_utils::isFirefoxOlderThan(userAgent, 70);
//
// Every test is a case-sensitive look at the text alone. A version that cannot be
// found, or does not read as a number, counts as new enough: the text is the
// client's to write, and an unknown form should not lock a user out.
#pragma once

#include <string>

#include <boost/regex.hpp>

namespace velorin::core::browser_utils {

// False when group 1 of the first match of the expression reads as a number below the
// minimum; true otherwise, also when nothing matches.
bool hasMinimumVersion(const std::string& userAgent, const boost::regex& versionRegex, double minimum);

// "Chrome" or "chromeframe": browsers built on Chromium count as Chrome.
bool isChrome(const std::string& userAgent);
bool isChromeOlderThan(const std::string& userAgent, double minimum);

bool isFirefox(const std::string& userAgent);
bool isFirefoxOlderThan(const std::string& userAgent, double minimum);

// "AppleWebKit" and "Qt" anywhere in the text.
bool isQtWebKit(const std::string& userAgent);

// "Safari" or "AppleWebKit", but not "Chrome", which names both.
bool isSafari(const std::string& userAgent);
// The Safari version is the one after "Version/", such as 12.1.
bool isSafariOlderThan(const std::string& userAgent, double minimum);

// Chrome 69, Firefox 68, Safari 12.1, Trident 7 or newer; any other family is not.
bool isSupportedBrowser(const std::string& userAgent);

bool isTrident(const std::string& userAgent);
bool isTridentOlderThan(const std::string& userAgent, double minimum);

} // namespace velorin::core::browser_utils
