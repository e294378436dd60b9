// RequestTest.cpp: the request's URI parts, header tests, lazily parsed query,
// cookies and form bodies, its start line and its text form.
#include <core/http/Request.hpp>

#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "HttpTestText.hpp"

namespace velorin::core::http {
namespace {

using testing::buffersText;
using testing::fieldsText;

TEST(RequestTest, PathAndQueryStringSplitAtTheFirstQuestionMarkUndecoded)
{
   const struct
   {
      const char* uri;
      const char* path;
      const char* queryString;
      const char* params;
   } cases[] = {
      {"/p", "/p", "", ""},
      {"/p?", "/p", "", ""},
      {"/p?a=1?b=2", "/p", "a=1?b=2", "(a,1?b)"},
      {"/a%20b?x", "/a%20b", "x", "(x,)"},
      {"/s?q=a+b%21&q=2", "/s", "q=a+b%21&q=2", "(q,a b!)(q,2)"},
      {"/s?bad=%zz&ok=%41", "/s", "bad=%zz&ok=%41", "(bad,%zz)(ok,A)"},
      {"", "", "", ""},
   };
   for (const auto& c : cases)
   {
      Request request;
      request.setUri(c.uri);
      EXPECT_EQ(c.path, request.path()) << c.uri;
      EXPECT_EQ(c.queryString, request.queryString()) << c.uri;
      EXPECT_EQ(c.params, fieldsText(request.queryParams())) << c.uri;
   }

   Request request;
   request.setUri("/s?q=a+b%21&q=2");
   EXPECT_EQ("a b!", request.queryParamValue("q"));
   EXPECT_EQ("", request.queryParamValue("Q"));
}

TEST(RequestTest, HeaderTestsReadTheFirstHeaderOfTheirName)
{
   Request request;
   request.setUri("/x?y=1");
   request.addHeader("accept-encoding", "gzip, deflate");
   request.addHeader("Accept", "text/html,application/json;q=0.9");
   request.addHeader("User-Agent", "Mozilla/5.0 (\xE4\xB8\xAD\xE6\x96\x87) \xFF\xFE");
   request.addHeader("X-Token", "id=abc; other=1");
   request.addHeader("X-Plain", "text/html");

   EXPECT_TRUE(request.acceptsEncoding("gzip"));
   EXPECT_TRUE(request.acceptsEncoding("deflate"));
   EXPECT_FALSE(request.acceptsEncoding("GZIP"));
   EXPECT_FALSE(request.acceptsEncoding("gz"));
   EXPECT_FALSE(request.acceptsEncoding(""));
   EXPECT_TRUE(request.acceptsContentType("application/json"));
   EXPECT_FALSE(request.acceptsContentType("Application/JSON"));
   EXPECT_EQ("Mozilla/5.0 (\xE4\xB8\xAD\xE6\x96\x87) \xFF\xFE", request.userAgent());
   EXPECT_EQ("abc", request.headerFieldValue("x-token"));
   EXPECT_EQ("", request.headerFieldValue("X-Plain"));
   EXPECT_EQ("", request.headerFieldValue("Missing"));
   EXPECT_EQ("http:///x?y=1", request.absoluteUri());

   request.addHeader("Host", "example.com:8080");
   request.addHeader("X-Forwarded-Proto", "https");
   EXPECT_EQ("https://example.com:8080/x?y=1", request.absoluteUri());
}

TEST(RequestTest, AcceptsEncodingComparesWholeTokens)
{
   const struct
   {
      const char* value;
      bool expected;
   } cases[] = {
      {"gzip", true}, {"deflate,gzip", true}, {" ,, gzip ,", true}, {"gzip;q=1.0", false},
      {"GZIP", false}, {"xgzip", false}, {"", false},
   };
   for (const auto& c : cases)
   {
      Request request;
      request.addHeader("Accept-Encoding", c.value);
      EXPECT_EQ(c.expected, request.acceptsEncoding("gzip")) << c.value;
   }
}

TEST(RequestTest, IfModifiedSinceIsNotADateTimeUnlessItReads)
{
   const struct
   {
      const char* value;
      bool readable;
   } cases[] = {
      {nullptr, false}, {"", false}, {"yesterday", false}, {"Tue, 05 Mar 2019 14:07:09 GMT", true},
   };
   for (const auto& c : cases)
   {
      Request request;
      if (c.value != nullptr)
         request.addHeader("If-Modified-Since", c.value);
      EXPECT_EQ(c.readable, !request.ifModifiedSince().is_not_a_date_time()) << (c.value ? c.value : "(absent)");
   }
}

TEST(RequestTest, CookiesComeFromEveryCookieHeaderInOrder)
{
   Request request;
   request.addHeader("Cookie", "a=1; b=2, c=3");
   request.addHeader("X-Other", "z=9");
   request.addHeader("cookie", "a=4; d=t=abc==");
   EXPECT_EQ("1", request.cookieValue("a"));
   EXPECT_EQ("3", request.cookieValue("c"));
   EXPECT_EQ("t=abc==", request.cookieValue("d"));
   EXPECT_EQ("", request.cookieValue("z"));
   EXPECT_EQ("", request.cookieValue("A"));
}

TEST(RequestTest, LazilyParsedContentsIgnoreLaterChangesUntilReset)
{
   Request request;
   request.setUri("/p?q=1");
   request.addHeader("Cookie", "a=1");
   request.addHeader("Content-Type", "application/x-www-form-urlencoded");
   request.setBody("f=1");
   EXPECT_EQ("1", request.cookieValue("a"));
   EXPECT_EQ("1", request.queryParamValue("q"));
   EXPECT_EQ("1", request.formFieldValue("f"));

   request.setHeader("Cookie", "a=2");
   request.setUri("/p?q=2");
   request.setBody("f=2");
   EXPECT_EQ("1", request.cookieValue("a"));
   EXPECT_EQ("1", request.queryParamValue("q"));
   EXPECT_EQ("1", request.formFieldValue("f"));

   request.reset();
   EXPECT_EQ("", request.method());
   EXPECT_EQ("", request.uri());
   EXPECT_TRUE(request.headers().empty());
   request.setUri("/p?q=3");
   request.addHeader("Cookie", "a=3");
   request.addHeader("Content-Type", "application/x-www-form-urlencoded");
   request.setBody("f=3");
   EXPECT_EQ("3", request.cookieValue("a"));
   EXPECT_EQ("3", request.queryParamValue("q"));
   EXPECT_EQ("3", request.formFieldValue("f"));
}

// A client's cookie header may hold what parsing cuts off, such as a quoted value
// with a space in it: it goes back out byte for byte, with the new cookie after it.
TEST(RequestTest, AddCookieAppendsToTheFirstCookieHeaderAndKeepsTheClientsBytes)
{
   const struct
   {
      Headers headers;
      const char* expectedHeaders;
   } cases[] = {
      {{}, "Cookie: n=v\r\n"},
      {{{"cookie", "t=abc==; x=\"q q\""}, {"Cookie", "b=2"}},
       "cookie: t=abc==; x=\"q q\"; n=v\r\nCookie: b=2\r\n"},
      {{{"Cookie", ""}}, "Cookie: n=v\r\n"},
   };
   for (const auto& c : cases)
   {
      Request request;
      request.setMethod("GET");
      request.setUri("/");
      request.addHeader(c.headers);
      request.addCookie("n", "v");
      EXPECT_EQ(std::string("GET / HTTP/1.1\r\n") + c.expectedHeaders + "\r\n", buffersText(request.headerBuffers()));
      EXPECT_EQ("v", request.cookieValue("n"));
   }

   Request request;
   request.addHeader("Cookie", "t=abc==");
   request.addCookie("a", "1");
   request.addCookie("b", "2");
   EXPECT_EQ("t=abc==; a=1; b=2", request.headerValue("Cookie"));
   EXPECT_EQ("abc==", request.cookieValue("t"));
   EXPECT_EQ("2", request.cookieValue("b"));

   Request fresh;
   fresh.addCookie("a", "1");
   fresh.addCookie("b", "2");
   EXPECT_EQ("a=1; b=2", fresh.headerValue("Cookie"));
}

TEST(RequestTest, FormBodiesParseByExactContentType)
{
   const std::string multipart = "--B\r\nContent-Disposition: form-data; name=\"f\"\r\n\r\n1\r\n"
                                 "--B\r\nContent-Disposition: form-data; name=\"up\"; filename=\"a.txt\"\r\n"
                                 "Content-Type: text/plain\r\n\r\n file \r\n--B--\r\n";
   const struct
   {
      const char* contentType;
      std::string body;
      const char* fields;
      const char* fileName;
   } cases[] = {
      {"application/x-www-form-urlencoded", "f=1&g=a+b", "(f,1)(g,a b)", ""},
      {"application/x-www-form-urlencoded; charset=UTF-8", "f=1", "", ""},
      {"Application/X-WWW-Form-Urlencoded", "f=1", "", ""},
      {"multipart/form-data; boundary=B", multipart, "(f,1)", "a.txt"},
      {"text/plain", "f=1", "", ""},
      {nullptr, "f=1", "", ""},
   };
   for (const auto& c : cases)
   {
      Request request;
      if (c.contentType != nullptr)
         request.setContentType(c.contentType);
      request.setBody(c.body);
      EXPECT_EQ(c.fields, fieldsText(request.formFields())) << (c.contentType ? c.contentType : "(none)");
      EXPECT_EQ(c.fileName, request.uploadedFile("up").name) << (c.contentType ? c.contentType : "(none)");
   }

   Request request;
   request.setContentType("multipart/form-data; boundary=B");
   request.setBody(multipart);
   EXPECT_EQ(" file ", request.uploadedFile("up").contents);
   EXPECT_EQ("text/plain", request.uploadedFile("up").contentType);
   const File& none = request.uploadedFile("f");
   EXPECT_EQ("", none.name);
   EXPECT_EQ("", none.contentType);
   EXPECT_EQ("", none.contents);
   EXPECT_EQ("1", request.formFieldValue("f"));
   EXPECT_EQ("", request.formFieldValue("up"));
}

TEST(RequestTest, SetBodySetsTheContentLength)
{
   Request request;
   request.setBody("hello");
   EXPECT_EQ(5, request.contentLength());
   request.setBody("");
   EXPECT_EQ(0, request.contentLength());
   EXPECT_EQ("0", request.headerValue("Content-Length"));
}

TEST(RequestTest, StartLineAndTextFormHoldMethodUriAndVersion)
{
   Request request;
   request.setMethod("POST");
   request.setUri("/index.htm?a=1");
   request.setHttpVersion(1, 0);
   request.addHeader("Host", "h");
   request.setBody("x=1");
   EXPECT_EQ("POST /index.htm?a=1 HTTP/1.0\r\nHost: h\r\nContent-Length: 3\r\n\r\nx=1", buffersText(request.toBuffers()));

   std::ostringstream textForm;
   textForm << request;
   EXPECT_EQ("POST /index.htm?a=1 HTTP/1.0\nHost: h\nContent-Length: 3\n\nx=1\n", textForm.str());
}

TEST(RequestTest, MethodAndUriCannotSplitTheRequestLine)
{
   const struct
   {
      std::string method;
      std::string uri;
      const char* line;
   } cases[] = {
      {"GET", "/a HTTP/1.1\r\nHost: evil\r\n\r\nGET /b", "GET /a HTTP/1.1  Host: evil    GET /b HTTP/1.1"},
      {"GET", "/a\nX: 1", "GET /a X: 1 HTTP/1.1"},
      {"GET", std::string("/a\0b\x1b\x7f", 6), "GET /a b   HTTP/1.1"},
      {"GET\r\nX: 1\r\n", "/", "GET  X: 1   / HTTP/1.1"},
      {"PO\tST", "/\t", "PO\tST /\t HTTP/1.1"},
   };
   for (const auto& c : cases)
   {
      Request request;
      request.setMethod(c.method);
      request.setUri(c.uri);
      request.addHeader("Host", "h");
      EXPECT_EQ(std::string(c.line) + "\r\nHost: h\r\n\r\n", buffersText(request.toBuffers())) << c.line;

      std::ostringstream textForm;
      textForm << request;
      EXPECT_EQ(std::string(c.line) + "\nHost: h\n\n\n", textForm.str()) << c.line;
   }
}

// Restores standard error's buffer when the test ends.
class CapturedStandardError
{
public:
   CapturedStandardError() : previous_(std::cerr.rdbuf(captured_.rdbuf())) {}
   ~CapturedStandardError() { std::cerr.rdbuf(previous_); }
   std::string text() const { return captured_.str(); }

private:
   std::ostringstream captured_;
   std::streambuf* previous_;
};

TEST(RequestTest, DebugPrintUriWritesWholeLinesFromManyThreads)
{
   Request request;
   request.setUri("/a?b=1");
   std::string printed;
   {
      CapturedStandardError standardError;
      std::vector<std::thread> threads;
      for (int t = 0; t < 4; ++t)
         threads.emplace_back([&] {
            for (int i = 0; i < 50; ++i)
               request.debugPrintUri("caption");
         });
      for (std::thread& thread : threads)
         thread.join();
      printed = standardError.text();
   }
   std::string expected;
   for (int i = 0; i < 200; ++i)
      expected += "caption: /a?b=1\n";
   EXPECT_EQ(expected, printed);
}

} // namespace
} // namespace velorin::core::http
