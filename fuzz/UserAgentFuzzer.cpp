// UserAgentFuzzer.cpp: "User-Agent" texts put together from the words browsers write
// and any bytes between them. Every family, version and support test agrees with a
// plain reference over the same rules: case-sensitive substrings, and the version
// read from the first place its pattern fits.
#include <core/BrowserUtils.hpp>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include <boost/regex.hpp>
#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzCheck.hpp"

namespace {

namespace browser_utils = velorin::core::browser_utils;
using velorin::fuzz::check;

bool contains(const std::string& text, const char* word)
{
   return text.find(word) != std::string::npos;
}

bool isDigit(char c)
{
   return c >= '0' && c <= '9';
}

std::size_t digitsAt(const std::string& text, std::size_t position)
{
   std::size_t count = 0;
   while (position + count < text.size() && isDigit(text[position + count]))
      ++count;
   return count;
}

// The version that the first fitting place gives: one to four digits after one of the
// prefixes, and for a dotted version a dot and one digit after them. False when none
// fits.
bool findVersion(const std::string& text,
                 const std::vector<std::string>& prefixes,
                 bool dotted,
                 std::string* version)
{
   for (std::size_t at = 0; at < text.size(); ++at)
   {
      for (const std::string& prefix : prefixes)
      {
         if (text.compare(at, prefix.size(), prefix) != 0)
            continue;
         const std::size_t start = at + prefix.size();
         const std::size_t digits = digitsAt(text, start);
         if (digits == 0)
            continue;
         if (!dotted)
         {
            *version = text.substr(start, std::min<std::size_t>(digits, 4));
            return true;
         }
         const std::size_t dot = start + digits;
         if (digits <= 4 && dot + 1 < text.size() && text[dot] == '.' && isDigit(text[dot + 1]))
         {
            *version = text.substr(start, digits + 2);
            return true;
         }
      }
   }
   return false;
}

struct Family
{
   const char* pattern;
   std::vector<std::string> prefixes;
   bool dotted;
};

const Family kChrome{"(?:Chrome|chromeframe)/(\\d{1,4})", {"Chrome/", "chromeframe/"}, false};
const Family kFirefox{"Firefox/(\\d{1,4})", {"Firefox/"}, false};
const Family kSafari{"Version/(\\d{1,4}\\.\\d)", {"Version/"}, true};
const Family kTrident{"Trident/(\\d{1,4})", {"Trident/"}, false};

bool newEnough(const std::string& text, const Family& family, double minimum)
{
   std::string version;
   if (!findVersion(text, family.prefixes, family.dotted, &version))
      return true;
   return !(minimum > std::strtod(version.c_str(), nullptr));
}

bool isChrome(const std::string& text)
{
   return contains(text, "Chrome") || contains(text, "chromeframe");
}

bool isSafari(const std::string& text)
{
   return (contains(text, "Safari") || contains(text, "AppleWebKit")) && !contains(text, "Chrome");
}

bool isSupported(const std::string& text)
{
   if (isChrome(text) && !newEnough(text, kChrome, 69))
      return false;
   if (contains(text, "Firefox") && !newEnough(text, kFirefox, 68))
      return false;
   if (isSafari(text) && !newEnough(text, kSafari, 12.1))
      return false;
   if (contains(text, "Trident") && !newEnough(text, kTrident, 7))
      return false;
   return isChrome(text) || contains(text, "Firefox") || isSafari(text) || contains(text, "Trident");
}

// Bytes below 0x20 pick a word, so short inputs reach the interesting texts.
const char* const kWords[] = {
   "Chrome/",  "chromeframe/", "Firefox/", "Version/", "Safari/", "AppleWebKit/", "Trident/", "Qt",
   "Mozilla/5.0 (", ") ", "Chrome",   "chrome",  "Trident",  "Version",      "Firefox",  "QtWebEngine/",
};

const double kMinimums[] = {69, 68, 12.1, 7, 0, 12, 100, 9999.5, -1, std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN()};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   FuzzedDataProvider provider(data, size);
   const double minimum = kMinimums[provider.ConsumeIntegralInRange<std::size_t>(
      0, sizeof(kMinimums) / sizeof(kMinimums[0]) - 1)];
   std::string text;
   for (std::uint8_t byte : provider.ConsumeRemainingBytes<std::uint8_t>())
   {
      if (byte < sizeof(kWords) / sizeof(kWords[0]))
         text += kWords[byte];
      else
         text += static_cast<char>(byte);
   }

   check(browser_utils::isChrome(text) == isChrome(text));
   check(browser_utils::isFirefox(text) == contains(text, "Firefox"));
   check(browser_utils::isSafari(text) == isSafari(text));
   check(browser_utils::isTrident(text) == contains(text, "Trident"));
   check(browser_utils::isQtWebKit(text) == (contains(text, "AppleWebKit") && contains(text, "Qt")));

   check(browser_utils::isChromeOlderThan(text, minimum) == (isChrome(text) && !newEnough(text, kChrome, minimum)));
   check(browser_utils::isFirefoxOlderThan(text, minimum) ==
         (contains(text, "Firefox") && !newEnough(text, kFirefox, minimum)));
   check(browser_utils::isSafariOlderThan(text, minimum) == (isSafari(text) && !newEnough(text, kSafari, minimum)));
   check(browser_utils::isTridentOlderThan(text, minimum) ==
         (contains(text, "Trident") && !newEnough(text, kTrident, minimum)));
   for (const Family* family : {&kChrome, &kFirefox, &kSafari, &kTrident})
   {
      const boost::regex pattern(family->pattern);
      check(browser_utils::hasMinimumVersion(text, pattern, minimum) == newEnough(text, *family, minimum));
   }
   check(browser_utils::isSupportedBrowser(text) == isSupported(text));
   return 0;
}
