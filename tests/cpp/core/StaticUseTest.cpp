// StaticUseTest.cpp: a host's static object may call the text, browser, URL and JSON
// functions while it is destroyed, after main has returned.
//
// The object below is built before main and so destroyed after whatever the library
// builds on first use during main: any process-wide object those calls need must be
// never destroyed. Under AddressSanitizer a destroyed one is a use after free.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include <core/BrowserUtils.hpp>
#include <core/StringUtils.hpp>
#include <core/http/URL.hpp>
#include <shared_core/json/Json.hpp>

#include "FreshProcess.hpp"

namespace velorin::core {
namespace {

// What went wrong, one line per call; empty when every call gave the right answer.
std::string useTheFunctions()
{
   std::string failures;
   const auto expect = [&failures](bool right, const char* call) {
      if (!right)
         failures += std::string(call) + "\n";
   };

   expect(string_utils::htmlEscape("<a\n>", false) == "&lt;a\n&gt;", "htmlEscape");
   expect(string_utils::htmlEscape("<a\n>", true) == "&lt;a&#10;&gt;", "htmlEscape of an attribute");
   expect(string_utils::jsLiteralEscape("'<") == "\\'\\074", "jsLiteralEscape");
   expect(string_utils::jsonLiteralEscape("\"\n") == "\\\"\\n", "jsonLiteralEscape");
   expect(string_utils::singleQuoteEscape("'") == "\\'", "singleQuoteEscape");
   expect(string_utils::isalpha(L'\u00E9') && !string_utils::isalpha(L'1'), "isalpha");
   expect(string_utils::isalnum(L'1') && !string_utils::isalnum(L'-'), "isalnum");

   expect(browser_utils::isChromeOlderThan("Chrome/60.0", 69), "isChromeOlderThan");
   expect(browser_utils::isFirefoxOlderThan("Firefox/60.0", 68), "isFirefoxOlderThan");
   expect(browser_utils::isSafariOlderThan("Safari Version/11.0", 12.1), "isSafariOlderThan");
   expect(browser_utils::isTridentOlderThan("Trident/6.0", 7), "isTridentOlderThan");

   const http::URL url("https://example.com/a?b");
   expect(url.host() == "example.com" && url.path() == "/a?b", "URL");

   json::Array pairs;
   pairs.push_back(json::Value("a=b"));
   const auto list = pairs.toStringPairList();
   expect(list.size() == 1 && list[0].first == "a" && list[0].second == "b", "toStringPairList");

   const Error parseError = json::Value().parse("[");
   expect(!parseError.getName().empty() && !parseError.getMessage().empty(), "a parse error's category");
   return failures;
}

struct HostStatic
{
   bool armed = false; // by the check, in a process of its own

   // After main no test can fail, so the exit code tells.
   ~HostStatic()
   {
      if (!armed)
         return;
      const std::string failures = useTheFunctions();
      if (!failures.empty())
      {
         std::fputs(("Wrong after main:\n" + failures).c_str(), stderr);
         std::_Exit(3);
      }
   }
} hostStatic;

TEST(StaticUseTest, CallsWorkWhileAStaticObjectIsDestroyed)
{
   core::testing::expectInAFreshProcess([] {
      EXPECT_EQ("", useTheFunctions()); // builds what the calls keep, during main
      hostStatic.armed = true;
   });
}

} // namespace
} // namespace velorin::core
