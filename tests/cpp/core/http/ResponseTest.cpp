// ResponseTest.cpp: the status line, bodies and their padding, entity tags, caching,
// framing and cookie headers, error pages, redirects and not-found replies.
#include <core/http/Response.hpp>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>

#include <boost/iostreams/filtering_stream.hpp>

#include <gtest/gtest.h>

#include <core/Checksum.hpp>
#include <core/StringUtils.hpp>
#include <core/http/Cookie.hpp>
#include <core/http/Request.hpp>
#include <core/http/Util.hpp>
#include <shared_core/FilePath.hpp>

#include <CapturingLogDestination.hpp>
#include <ScratchFolder.hpp>

#include "HttpTestText.hpp"

namespace velorin::core::http {
namespace {

using testing::buffersText;
using testing::headersText;

std::string statusLine(Response& response)
{
   const std::string text = buffersText(response.headerBuffers());
   return text.substr(0, text.find("\r\n"));
}

TEST(ResponseTest, StatusLineTakesTheUsualPhraseOfItsCode)
{
   const struct
   {
      int code;
      const char* line;
   } cases[] = {
      {200, "HTTP/1.1 200 OK"},
      {101, "HTTP/1.1 101 SwitchingProtocols"},
      {206, "HTTP/1.1 206 Partial Content"},
      {302, "HTTP/1.1 302 Moved Temporarily"},
      {310, "HTTP/1.1 310 Too Many Redirects"},
      {416, "HTTP/1.1 416 Range Not Satisfyable"},
      {504, "HTTP/1.1 504 Gateway Timeout"},
      {418, "HTTP/1.1 418 "},
      {-1, "HTTP/1.1 -1 "},
   };
   for (const auto& c : cases)
   {
      Response response;
      response.setStatusCode(c.code);
      EXPECT_EQ(c.line, statusLine(response)) << c.code;
   }
}

TEST(ResponseTest, PhraseFollowsTheCodeUnlessOneIsSet)
{
   Response response;
   EXPECT_EQ("OK", response.statusMessage());
   response.setStatusCode(404);
   EXPECT_EQ("Not Found", response.statusMessage());

   response.setStatusMessage("Gone Fishing");
   response.setHttpVersion(1, 0);
   EXPECT_EQ("HTTP/1.0 404 Gone Fishing", statusLine(response));

   std::ostringstream text;
   response.setHeader("X-A", "1");
   ASSERT_FALSE(response.setBody("body"));
   text << response;
   EXPECT_EQ("HTTP/1.0 404 Gone Fishing\nX-A: 1\nContent-Length: 4\n\nbody\n", text.str());

   // Reset forgets the code and phrase but keeps the handler and the stream source.
   bool handled = false;
   response.setNotFoundHandler([&handled](const Request&, Response*) { handled = true; });
   response.reset();
   EXPECT_EQ("HTTP/1.1 200 OK\r\n\r\n", buffersText(response.headerBuffers()));
   response.respondNotFound(Request());
   EXPECT_TRUE(handled);
}

TEST(ResponseTest, PhraseCannotSplitTheStatusLine)
{
   const struct
   {
      std::string phrase;
      const char* line;
   } cases[] = {
      {"OK\r\nSet-Cookie: injected=1\r\n\r\n<script>", "HTTP/1.1 200 OK  Set-Cookie: injected=1    <script>"},
      {"OK\nX: 1", "HTTP/1.1 200 OK X: 1"},
      {std::string("O\0K\x01\x7f", 5), "HTTP/1.1 200 O K  "},
      {"Fine\tthanks", "HTTP/1.1 200 Fine\tthanks"},
   };
   for (const auto& c : cases)
   {
      Response response;
      response.setStatusMessage(c.phrase);
      response.setHeader("X-A", "1");
      EXPECT_EQ(std::string(c.line) + "\r\nX-A: 1\r\n\r\n", buffersText(response.toBuffers())) << c.line;

      std::ostringstream text;
      text << response;
      EXPECT_EQ(std::string(c.line) + "\nX-A: 1\n\n\n", text.str()) << c.line;
   }
}

TEST(ResponseTest, BodyIsStoredWithItsLengthAndPaddedWhenAsked)
{
   const struct
   {
      std::string content;
      bool padding;
      std::string body;
   } cases[] = {
      {"0123456789", true, "0123456789" + std::string(1014, ' ')},
      {"", true, std::string(1024, ' ')},
      {std::string(1024, 'x'), true, std::string(1024, 'x')},
      {std::string(2000, 'y'), true, std::string(2000, 'y')},
      {"0123456789", false, "0123456789"},
      {std::string("a\0b\r\n", 5), false, std::string("a\0b\r\n", 5)},
   };
   for (const auto& c : cases)
   {
      Response response;
      std::istringstream stream(c.content);
      ASSERT_FALSE(response.setBody(stream, NullOutputFilter(), 7, c.padding)) << c.content;
      EXPECT_EQ(c.body, response.body()) << c.content;
      EXPECT_EQ(std::to_string(c.body.size()), response.headerValue("Content-Length")) << c.content;
   }
}

TEST(ResponseTest, SettingTheBodyDropsOnlyAGzipEncoding)
{
   const struct
   {
      const char* encoding;
      const char* headers;
   } cases[] = {
      {"gzip", "Content-Length=3;"},
      {"br", "Content-Encoding=br;Content-Length=3;"},
      {"GZIP", "Content-Encoding=GZIP;Content-Length=3;"},
   };
   for (const auto& c : cases)
   {
      Response response;
      response.setContentEncoding(c.encoding);
      ASSERT_FALSE(response.setBody("abc"));
      EXPECT_EQ(c.headers, headersText(response.headers())) << c.encoding;
   }

   Response response;
   response.setContentEncoding("gzip");
   response.setBodyWithoutEncoding("plain");
   EXPECT_EQ("Content-Length=5;", headersText(response.headers()));
   EXPECT_EQ("plain", response.body());
}

// Fails every read, as a disk that goes away would.
class FailingBuffer : public std::streambuf
{
protected:
   int_type underflow() override { throw std::runtime_error("device gone"); }
};

TEST(ResponseTest, FailingSourceGivesSystemErrorFiveAndKeepsTheOldBody)
{
   Response response;
   ASSERT_FALSE(response.setBody("old"));

   FailingBuffer buffer;
   std::istream stream(&buffer);
   const Error error = response.setBody(stream, NullOutputFilter(), 128, true);
   ASSERT_TRUE(error);
   EXPECT_EQ(5, error.getCode());
   EXPECT_EQ("system", error.getName());
   EXPECT_EQ("device gone", error.getProperty("what"));
   EXPECT_EQ("old", response.body());
   EXPECT_EQ("3", response.headerValue("Content-Length"));

   const Error missing = response.setBody(FilePath("/no/such/folder/file.txt"), NullOutputFilter(), 128, false);
   EXPECT_EQ(3, missing.getCode());
   EXPECT_EQ("old", response.body());
}

TEST(ResponseTest, BufferSizeBelowOneIsRefusedAndLeavesTheResponseAlone)
{
   const core::testing::ScratchFolder folder("buffer-size-%%%%-%%%%");
   const std::string path = (folder / "body.txt").string();
   {
      std::ofstream file(path, std::ios::binary);
      file << "file body";
   }
   for (const std::streamsize bufferSize : {std::streamsize(0), std::streamsize(-1), std::streamsize(-4096)})
   {
      Response response;
      ASSERT_FALSE(response.setBody("old"));
      response.setContentEncoding("gzip");

      std::istringstream stream("new body");
      const Error fromStream = response.setBody(stream, NullOutputFilter(), bufferSize, true);
      const Error fromFile = response.setBody(FilePath(path), NullOutputFilter(), bufferSize, false);
      for (const Error& error : {fromStream, fromFile})
      {
         ASSERT_TRUE(error) << bufferSize;
         EXPECT_EQ(87, error.getCode()) << bufferSize;
         EXPECT_EQ("system", error.getName()) << bufferSize;
      }
      EXPECT_EQ("old", response.body()) << bufferSize;
      EXPECT_EQ("Content-Length=3;Content-Encoding=gzip;", headersText(response.headers())) << bufferSize;
   }

   // The smallest buffer still copies everything.
   Response response;
   std::istringstream stream("new body");
   ASSERT_FALSE(response.setBody(stream, NullOutputFilter(), 1, false));
   EXPECT_EQ("new body", response.body());
}

TEST(ResponseTest, NullFilterOnAChainPassesTheBytesAndReportsTheMistake)
{
   const auto log = core::testing::captureLog(71, log::LogLevel::WARNING);
   std::ostringstream sink;
   {
      boost::iostreams::filtering_ostream chain;
      chain.push(NullOutputFilter());
      chain.push(sink);
      chain << "bytes";
   }
   EXPECT_EQ("bytes", sink.str());
   ASSERT_FALSE(log->lines().empty());
   EXPECT_NE(std::string::npos, log->lines().front().find("ASSERTION FAILED: false"));
}

TEST(ResponseTest, EntityTagAnswersAnExactIfNoneMatchWithNotModified)
{
   const std::string content = "123456789";
   const std::string tag = checksum::crc32Decimal(content);
   ASSERT_EQ("3421780262", Response::entityTag(content));

   const struct
   {
      std::string ifNoneMatch;
      int status;
      const char* body;
   } cases[] = {
      {tag, 304, "before"},
      {"\"" + tag + "\"", 200, "123456789"},
      {"W/" + tag, 200, "123456789"},
      {"", 200, "123456789"},
      {"*", 200, "123456789"},
   };
   for (const auto& c : cases)
   {
      Request request;
      if (!c.ifNoneMatch.empty())
         request.setHeader("If-None-Match", c.ifNoneMatch);
      Response response;
      response.setContentType("text/plain");
      ASSERT_FALSE(response.setBody("before"));
      ASSERT_FALSE(response.setBodyWithETag(content, request, NullOutputFilter())) << c.ifNoneMatch;
      EXPECT_EQ(c.status, response.statusCode()) << c.ifNoneMatch;
      EXPECT_EQ(c.body, response.body()) << c.ifNoneMatch;
      EXPECT_EQ(tag, response.headerValue("ETag")) << c.ifNoneMatch;
      EXPECT_EQ(c.status == 304, !response.containsHeader("Content-Type")) << c.ifNoneMatch;
      EXPECT_EQ(c.status == 304 ? "6" : "9", response.headerValue("Content-Length")) << c.ifNoneMatch;
   }
}

TEST(ResponseTest, CachingSetsReplaceTheirHeadersInPlace)
{
   Response response;
   response.disableCaching();
   EXPECT_EQ("Expires=Fri, 01 Jan 1990 00:00:00 GMT;Pragma=no-cache;"
             "Cache-Control=no-cache, no-store, max-age=0, must-revalidate;",
             headersText(response.headers()));

   response.setPublicLongCacheHeaders();
   EXPECT_EQ("no-cache", response.headerValue("Pragma"));
   EXPECT_EQ("public, max-age=31536000", response.headerValue("Cache-Control"));
   const boost::posix_time::ptime expires = util::parseHttpDate(response.headerValue("Expires"));
   const boost::posix_time::ptime now = boost::posix_time::second_clock::universal_time();
   EXPECT_LE((expires - now).total_seconds(), 31536000);
   EXPECT_GE((expires - now).total_seconds(), 31536000 - 60);

   response.setPrivateLongCacheHeaders();
   EXPECT_EQ("private, max-age=31536000", response.headerValue("Cache-Control"));

   response.setHeader("Last-Modified", "Thu, 01 Jan 2015 00:00:00 GMT");
   response.setRevalidateCacheHeaders();
   EXPECT_EQ("public, max-age=0, must-revalidate", response.headerValue("Cache-Control"));
   EXPECT_LE((util::parseHttpDate(response.headerValue("Expires")) - now).total_seconds(), 60);
   EXPECT_EQ("Thu, 01 Jan 2015 00:00:00 GMT", response.headerValue("Last-Modified"));

   response.addHeader("etag", "1");
   response.addHeader("PRAGMA", "x");
   response.addHeader("X-Other", "kept");
   response.clearCachingHeaders();
   EXPECT_EQ("X-Other=kept;", headersText(response.headers()));
}

TEST(ResponseTest, FramingPolicyComparesItsOptionExactly)
{
   const struct
   {
      const char* option;
      const char* headers;
   } cases[] = {
      {"", "X-Frame-Options=DENY;"},
      {"none", "X-Frame-Options=DENY;"},
      {"same", "X-Frame-Options=SAMEORIGIN;"},
      {"any", ""},
      {"SAME", "Content-Security-Policy=frame-ancestors SAME;X-Frame-Options=ALLOW-FROM SAME;"},
      {"https://a.example", "Content-Security-Policy=frame-ancestors https://a.example;"
                            "X-Frame-Options=ALLOW-FROM https://a.example;"},
   };
   for (const auto& c : cases)
   {
      Response response;
      response.setFramingPolicy(c.option);
      EXPECT_EQ(c.headers, headersText(response.headers())) << c.option;
   }

   // An option that sets nothing removes nothing either.
   Response response;
   response.setFramingPolicy("same");
   response.setFramingPolicy("any");
   EXPECT_EQ("X-Frame-Options=SAMEORIGIN;", headersText(response.headers()));
}

TEST(ResponseTest, CompatibilityHeaderFollowsTheUserAgent)
{
   const struct
   {
      const char* userAgent;
      const char* value;
   } cases[] = {
      {"Mozilla/4.0 (compatible; MSIE 8.0; chromeframe/11; Trident/4.0)", "chrome=1"},
      {"Mozilla/5.0 (Windows NT 10.0; Trident/7.0; rv:11.0) like Gecko", "IE=edge"},
      {"Mozilla/5.0 ChromeFrame trident", ""},
      {"", ""},
   };
   for (const auto& c : cases)
   {
      Request request;
      request.setHeader("User-Agent", c.userAgent);
      Response response;
      response.setCompatibilityModeHeader(request);
      EXPECT_EQ(c.value, response.headerValue("X-UA-Compatible")) << c.userAgent;
      EXPECT_EQ(*c.value != '\0', response.containsHeader("X-UA-Compatible")) << c.userAgent;
   }
}

TEST(ResponseTest, CookiesAreTheHeadersNamedExactlySetCookie)
{
   Request request;
   Response response;
   response.addCookie(Cookie(request, "sid", "abc", "/", true, false));
   response.addHeader("set-cookie", "lower=1");
   response.addCookie(Cookie(request, "theme", "dark", "", false, true));
   EXPECT_EQ("Set-Cookie=sid=abc; path=/; HttpOnly;Set-Cookie=theme=dark; secure;",
             headersText(response.cookieHeaders()));

   response.clearCookies();
   EXPECT_EQ("set-cookie=lower=1;", headersText(response.headers()));
}

TEST(ResponseTest, ErrorPageIsTheEscapedMessageWithoutCaching)
{
   Response response;
   response.disableCaching();
   response.setHeader("ETag", "1");
   response.setContentEncoding("br");
   response.respondWithError(400, "<b>bad</b> & \"worse\"");
   EXPECT_EQ(400, response.statusCode());
   EXPECT_EQ("&lt;b&gt;bad&lt;&#x2F;b&gt; &amp; &quot;worse&quot;", response.body());
   EXPECT_EQ("Content-Type=text/html;Content-Length=51;", headersText(response.headers()));

   response.respondWithError(systemError(2, ERROR_LOCATION));
   EXPECT_EQ(500, response.statusCode());
   EXPECT_EQ(systemError(2, ERROR_LOCATION).getMessage(), response.body());
}

TEST(ResponseTest, RedirectsCompleteTheLocationCutAtItsFirstLineBreakOrNul)
{
   const struct
   {
      std::string location;
      std::string url;
   } cases[] = {
      {"/login", "http://example.com/login"},
      {"next?a=1&b=2", "http://example.com/app/next?a=1&b=2"},
      {"/x\r\nSet-Cookie: evil=1", "http://example.com/x"},
      {"/y\nLocation: http://evil.example/", "http://example.com/y"},
      {"\r\n", "http://example.com/app/"},
      {"https://other.example/z", "https://other.example/z"},
      {std::string("/n\0http://evil.example/", 23), "http://example.com/n"},
      {std::string("\0/elsewhere", 11), "http://example.com/app/"},
   };
   for (const auto& c : cases)
   {
      Request request;
      request.setUri("/app/page");
      request.setHeader("Host", "example.com");
      Response response;
      response.redirectTemporarily(request, c.location);
      EXPECT_EQ(302, response.statusCode()) << c.location;
      EXPECT_EQ(c.url, response.headerValue("Location")) << c.location;
      EXPECT_EQ(string_utils::htmlEscape(c.url, false), response.body()) << c.location;
      EXPECT_EQ(std::string::npos, buffersText(response.headerBuffers()).find("evil")) << c.location;
   }

   Request request;
   request.setUri("/static");
   request.setHeader("Host", "example.com");
   Response response;
   response.redirectPermanently(request, "/static/");
   EXPECT_EQ(301, response.statusCode());
   EXPECT_EQ("HTTP/1.1 301 Moved Permanently", statusLine(response));
   EXPECT_EQ("http://example.com/static/", response.headerValue("Location"));
}

TEST(ResponseTest, NotFoundNamesTheUriUnlessAHandlerAnswers)
{
   Request request;
   request.setUri("/a<script>?q=1");
   Response response;
   response.respondNotFound(request);
   EXPECT_EQ(404, response.statusCode());
   EXPECT_EQ("&#x2F;a&lt;script&gt;?q=1 not found", response.body());
   EXPECT_EQ("text/html", response.contentType());

   Response handled;
   handled.setNotFoundHandler([](const Request& seen, Response* reply) {
      reply->setStatusCode(410);
      ASSERT_FALSE(reply->setBody("gone: " + seen.uri()));
   });
   handled.respondNotFound(request);
   EXPECT_EQ(410, handled.statusCode());
   EXPECT_EQ("gone: /a<script>?q=1", handled.body());
}

TEST(ResponseTest, UncachedHtmlIsUnencodedAndMarkedNoCache)
{
   Request request;
   request.setHeader("Accept-Encoding", "gzip, deflate");
   Response response;
   response.setUncachedHtml("<p>hi</p>", request);
   EXPECT_EQ("Content-Type=text/html;Expires=Fri, 01 Jan 1990 00:00:00 GMT;Pragma=no-cache;"
             "Cache-Control=no-cache, no-store, max-age=0, must-revalidate;Content-Length=9;",
             headersText(response.headers()));
   EXPECT_EQ("<p>hi</p>", response.body());
}

// The digits of each offset in turn, so that a part shows where it was cut.
std::string hundredBytes()
{
   std::string content;
   for (int i = 0; i < 100; ++i)
      content += static_cast<char>('0' + i % 10);
   return content;
}

TEST(ResponseTest, RangeSelectsOnePartOrAnswersUnsatisfiable)
{
   const std::string content = hundredBytes();
   const std::string none = "no body";
   const struct
   {
      const char* range; // null: no "Range" header
      int status;
      const char* contentRange;
      std::string body;
   } cases[] = {
      {"bytes=0-9", 206, "bytes 0-9/100", content.substr(0, 10)},
      {"bytes=-10", 206, "bytes 90-99/100", content.substr(90)},
      {"bytes=90-", 206, "bytes 90-99/100", content.substr(90)},
      {"bytes=0-99", 206, "bytes 0-99/100", content},
      {"bytes=0-500", 206, "bytes 0-99/100", content},
      {"bytes=99-99", 206, "bytes 99-99/100", content.substr(99)},
      {"bytes=-100", 206, "bytes 0-99/100", content},
      {"bytes=-200", 206, "bytes 0-99/100", content},
      {"bytes=5-99999999999999999999999", 206, "bytes 5-99/100", content.substr(5)},
      {"bytes=-99999999999999999999999", 206, "bytes 0-99/100", content},
      {"bytes=50-40", 416, "bytes */100", none},
      {"bytes=100-120", 416, "bytes */100", none},
      {"bytes=100-", 416, "bytes */100", none},
      {"bytes=200-300", 416, "bytes */100", none},
      {"bytes=99999999999999999999999-", 416, "bytes */100", none},
      {"bytes=-0", 416, "bytes */100", none},
      {"bytes=-", 416, "bytes */100", none},
      {"bytes=0-9,20-29", 416, "bytes */100", none},
      {"bytes=-5-10", 416, "bytes */100", none},
      {"bytes= 0-9", 416, "bytes */100", none},
      {"items=0-9", 416, "bytes */100", none},
      {"bytes=0x10-20", 416, "bytes */100", none},
      {"garbage", 416, "bytes */100", none},
      {nullptr, 416, "bytes */100", none},
   };
   for (const auto& c : cases)
   {
      const std::string label = c.range ? c.range : "(none)";
      Request request;
      if (c.range)
         request.setHeader("Range", c.range);
      request.setHeader("Accept-Encoding", "gzip");
      Response response;
      ASSERT_FALSE(response.setBody(none));
      response.setRangedBody(content, "text/csv", request);
      EXPECT_EQ(c.status, response.statusCode()) << label;
      EXPECT_EQ(c.contentRange, response.headerValue("Content-Range")) << label;
      EXPECT_EQ(c.body, response.body()) << label;
      EXPECT_EQ("text/csv", response.contentType()) << label;
      EXPECT_EQ(std::to_string(c.body.size()), response.headerValue("Content-Length")) << label;
      EXPECT_EQ(c.status == 206 ? "bytes" : "", response.headerValue("Accept-Ranges")) << label;
      EXPECT_FALSE(response.containsHeader("Content-Encoding")) << label;
   }
}

TEST(ResponseTest, RangeOfEmptyContentIsNeverSatisfiable)
{
   for (const char* range : {"bytes=0-", "bytes=0-0", "bytes=-1", "bytes=-"})
   {
      Request request;
      request.setHeader("Range", range);
      Response response;
      response.setRangedBody("", "text/plain", request);
      EXPECT_EQ(416, response.statusCode()) << range;
      EXPECT_EQ("bytes */0", response.headerValue("Content-Range")) << range;
      EXPECT_EQ("", response.body()) << range;
      EXPECT_EQ("0", response.headerValue("Content-Length")) << range;
   }
}

// A kept-open connection can tell where an unsatisfiable reply ends.
TEST(ResponseTest, UnsatisfiableRangeReplyCarriesItsLength)
{
   for (const char* range : {"bytes=200-300", "bytes=0-9,20-29", "garbage", ""})
   {
      Request request;
      if (*range)
         request.setHeader("Range", range);
      Response response;
      response.setRangedBody(hundredBytes(), "text/plain", request);
      EXPECT_EQ(416, response.statusCode()) << range;
      const std::string wire = buffersText(response.toBuffers());
      EXPECT_NE(std::string::npos, wire.find("\r\nContent-Length: 0\r\n")) << wire;
      EXPECT_EQ("\r\n\r\n", wire.substr(wire.size() - 4)) << wire;
   }
}

} // namespace
} // namespace velorin::core::http
