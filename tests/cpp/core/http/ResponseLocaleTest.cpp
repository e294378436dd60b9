// ResponseLocaleTest.cpp: the numbers of the status line and of "Content-Range" are
// written in the classic locale whatever the host's global locale.
#include <core/http/Response.hpp>

#include <locale>
#include <string>

#include <gtest/gtest.h>

#include <core/http/Request.hpp>

#include "ForeignLocale.hpp"
#include "HttpTestText.hpp"

namespace velorin::core::http {
namespace {

void expectClassicNumbers()
{
   Response ok;
   EXPECT_EQ("HTTP/1.1 200 OK\r\n\r\n", testing::buffersText(ok.headerBuffers()));

   const std::string content(100000, 'c');
   Request request;
   request.setHeader("Range", "bytes=1000-99999");
   Response ranged;
   ranged.setRangedBody(content, "text/plain", request);
   EXPECT_EQ(206, ranged.statusCode());
   EXPECT_EQ("bytes 1000-99999/100000", ranged.headerValue("Content-Range"));
   EXPECT_EQ("99000", ranged.headerValue("Content-Length"));

   request.setHeader("Range", "bytes=200000-");
   Response unsatisfiable;
   unsatisfiable.setRangedBody(content, "text/plain", request);
   EXPECT_EQ("bytes */100000", unsatisfiable.headerValue("Content-Range"));
   EXPECT_EQ(0u, testing::buffersText(unsatisfiable.headerBuffers()).find("HTTP/1.1 416 "));
}

TEST(ResponseLocaleTest, NumbersAreNotGroupedByTheGlobalLocale)
{
   const core::testing::ScopedGlobalLocale global(core::testing::builtForeignLocale());
   expectClassicNumbers();
}

TEST(ResponseLocaleTest, NumbersAreClassicUnderAnInstalledLocale)
{
   std::locale installed;
   if (!core::testing::installedForeignLocale(&installed))
      GTEST_SKIP() << "no German or French locale installed";
   const core::testing::ScopedGlobalLocale global(installed);
   expectClassicNumbers();
}

} // namespace
} // namespace velorin::core::http
