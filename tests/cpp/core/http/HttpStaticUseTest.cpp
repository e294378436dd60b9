// HttpStaticUseTest.cpp: a host's static object may call the HTTP functions while it
// is built, before main, and while it is destroyed, after main has returned.
//
// The object below is built before the library's own objects (this file is linked
// first) and destroyed after them, so any process-wide object the calls need must be
// built on first use and never destroyed.
//
// File serving is reached through Util.hpp alone, as hosts written before it had a
// header of its own reach it.
#include <core/http/Util.hpp>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include <boost/date_time/posix_time/posix_time.hpp>

#include <core/http/Request.hpp>
#include <core/http/Response.hpp>

#include "FreshProcess.hpp"

namespace velorin::core::http {
namespace {

// What went wrong, one line per call; empty when every call gave the right answer.
std::string useTheHttpFunctions()
{
   std::string failures;
   const auto expect = [&failures](bool right, const char* call) {
      if (!right)
         failures += std::string(call) + "\n";
   };

   const boost::posix_time::ptime time(boost::gregorian::date(2019, 3, 5), boost::posix_time::time_duration(14, 7, 9));
   expect(util::formatHttpDate(time) == "Tue, 05 Mar 2019 14:07:09 GMT", "formatHttpDate");
   expect(util::parseHttpDate("Tue, 05 Mar 2019 14:07:09 GMT") == time, "parseHttpDate");
   expect(util::parseDate("05 Mar 2019", "%d %b %Y") == boost::posix_time::ptime(time.date()), "parseDate");
   expect(util::isValidHttpDate("Tue, 05 Mar 2019 14:07:09 GMT"), "isValidHttpDate");
   expect(util::safeChildPath("/srv/site", "a\\b").isEmpty(), "safeChildPath of a\\b");
   expect(util::safeChildPath("/srv/site", "nul.txt").isEmpty(), "safeChildPath of nul.txt");

   Request upgrade;
   upgrade.setHeader("Connection", "keep-alive, Upgrade");
   expect(util::isWebSocketUpgrade(upgrade), "isWebSocketUpgrade");

   Request ranged;
   ranged.setHeader("Range", "bytes=0-9");
   Response response;
   response.setRangedBody(std::string(100, 'c'), "text/plain", ranged);
   expect(response.headerValue("Content-Range") == "bytes 0-9/100", "setRangedBody");

   Fields fields;
   Files files;
   util::parseMultipartForm("multipart/form-data; boundary=XyZ",
                            "--XyZ\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nv\r\n--XyZ--", &fields, &files);
   expect(fields.size() == 1 && fields[0].second == "v", "parseMultipartForm");
   return failures;
}

std::string failuresWhileBuilt;

struct HostStatic
{
   HostStatic() { failuresWhileBuilt = useTheHttpFunctions(); }

   // After main no test can fail, so the exit code tells.
   ~HostStatic()
   {
      const std::string failures = useTheHttpFunctions();
      if (!failures.empty())
      {
         std::fputs(("Wrong after main:\n" + failures).c_str(), stderr);
         std::_Exit(3);
      }
   }
};

HostStatic hostStatic;

TEST(HttpStaticUseTest, CallsWorkWhileAStaticObjectIsBuilt)
{
   EXPECT_EQ("", failuresWhileBuilt);
}

TEST(HttpStaticUseTest, CallsWorkWhileAStaticObjectIsDestroyed)
{
   core::testing::expectInAFreshProcess([] {});
}

} // namespace
} // namespace velorin::core::http
