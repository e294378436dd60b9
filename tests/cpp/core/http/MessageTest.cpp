// MessageTest.cpp: header storage and lookup, header-line parsing and the message's
// gather list.
#include <core/http/Message.hpp>

#include <cstdint>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ForeignLocale.hpp"
#include "HttpTestText.hpp"

namespace velorin::core::http {
namespace {

// A message whose start line is fixed, and which counts its resets.
class TestMessage : public Message
{
public:
   int resets = 0;

   void setBody(const std::string& body) { body_ = body; }

protected:
   void appendFirstLineBuffers(std::vector<boost::asio::const_buffer>* buffers) override
   {
      appendHttpVersionBuffer(buffers);
      appendSpaceBuffer(buffers);
      buffers->push_back(boost::asio::buffer(startLineRest_));
   }

   void resetMembers() override { ++resets; }

private:
   std::string startLineRest_ = "200 OK";
};

using testing::buffersText;
using testing::headersText;

TEST(MessageTest, SetHeaderRenamesTheFirstMatchInPlaceAndKeepsLaterDuplicates)
{
   TestMessage message;
   message.addHeader("Accept", "*/*");
   message.addHeader("Content-Type", "text/plain");
   message.addHeader("Content-Type", "text/css");
   message.setHeader("content-type", "text/html");
   EXPECT_EQ("Accept=*/*;content-type=text/html;Content-Type=text/css;", headersText(message.headers()));

   message.setHeader(Header{"X-New", "1"});
   EXPECT_EQ("Accept=*/*;content-type=text/html;Content-Type=text/css;X-New=1;", headersText(message.headers()));
}

TEST(MessageTest, DuplicatesAreAllKeptReadFirstAndRemovedTogether)
{
   TestMessage message;
   message.addHeader("Set-Cookie", "a=1");
   message.addHeader(Header{"Vary", "Accept"});
   message.addHeader(Headers{{"set-cookie", "b=2"}, {"Server", "x"}});
   EXPECT_EQ("a=1", message.headerValue("set-cookie"));
   EXPECT_TRUE(message.containsHeader("SET-COOKIE"));
   EXPECT_EQ("", message.headerValue("Location"));

   message.removeHeader("SET-COOKIE");
   EXPECT_EQ("Vary=Accept;Server=x;", headersText(message.headers()));
   EXPECT_FALSE(message.containsHeader("Set-Cookie"));
}

TEST(MessageTest, ReplaceHeaderChangesEveryMatchAndAddsNothing)
{
   TestMessage message;
   message.addHeader("Warning", "1");
   message.addHeader("Vary", "x");
   message.addHeader("warning", "2");
   message.replaceHeader("WARNING", "3");
   message.replaceHeader("Location", "/");
   EXPECT_EQ("WARNING=3;Vary=x;WARNING=3;", headersText(message.headers()));
}

TEST(MessageTest, ContentLengthReadsSignedDecimalOrZero)
{
   const struct
   {
      const char* value;
      std::int64_t expected;
   } cases[] = {
      {nullptr, 0}, {"", 0}, {"abc", 0}, {"12x", 0}, {"1234", 1234}, {"-5", -5}, {"+7", 7},
      {"9223372036854775807", 9223372036854775807}, {"99999999999999999999", 0},
   };
   for (const auto& c : cases)
   {
      TestMessage message;
      if (c.value != nullptr)
         message.setHeader("content-length", c.value);
      EXPECT_EQ(c.expected, message.contentLength()) << (c.value ? c.value : "(absent)");
   }
}

TEST(MessageTest, NumbersAndContentHeadersAreSetInDecimal)
{
   TestMessage message;
   message.setContentLength(18446744073709551615u);
   message.setHeader("X-Int", -42);
   message.setHeader("X-Size", std::uint64_t(1234567));
   message.setContentType("text/html");
   EXPECT_EQ("Content-Length=18446744073709551615;X-Int=-42;X-Size=1234567;Content-Type=text/html;", headersText(message.headers()));
   EXPECT_EQ("text/html", message.contentType());
}

// Folds '_' to '-', and 'i' to a letter of its own as a Turkish locale does, so that
// a lookup shows whose case folding it follows.
class OddFoldingCtype : public std::ctype<char>
{
protected:
   char do_toupper(char c) const override
   {
      if (c == '_')
         return '-';
      if (c == 'i')
         return '\xDD';
      return std::ctype<char>::do_toupper(c);
   }

   const char* do_toupper(char* first, const char* last) const override
   {
      for (; first != last; ++first)
         *first = do_toupper(*first);
      return last;
   }
};

TEST(MessageTest, HeaderNamesFoldByTheGlobalLocale)
{
   const struct
   {
      const char* lookedUp;
      bool found;
   } cases[] = {
      {"Content-Disposition", true},   // the same bytes
      {"content-disposition", true},   // 'i' on both sides
      {"CONTENT-DISPOSITION", false},  // 'I' is not the upper case of 'i' here
      {"Content_Disposition", true},   // '_' folds to '-'
      {"Content-Dispositiom", false},
      {"Content-Disposition ", false},
   };
   const core::testing::ScopedGlobalLocale global(std::locale(std::locale::classic(), new OddFoldingCtype));
   TestMessage message;
   message.addHeader("Accept", "*/*");
   message.addHeader("Content-Disposition", "form-data");
   for (const auto& c : cases)
   {
      EXPECT_EQ(c.found, message.containsHeader(c.lookedUp)) << c.lookedUp;
      EXPECT_EQ(c.found ? "form-data" : "", message.headerValue(c.lookedUp)) << c.lookedUp;
   }
}

TEST(MessageTest, NumbersAndTheVersionIgnoreTheGlobalLocale)
{
   const core::testing::ScopedGlobalLocale global(core::testing::builtForeignLocale());
   TestMessage message;
   message.setContentLength(1234567);
   message.setHeader("X-Int", -98765);
   message.setHttpVersion(10, -12);
   EXPECT_EQ("HTTP/10.-12 200 OK\r\nContent-Length: 1234567\r\nX-Int: -98765\r\n\r\n",
             buffersText(message.headerBuffers()));
}

TEST(MessageTest, ParseHeaderSplitsAtTheFirstColonSpacePair)
{
   const struct
   {
      const char* line;
      bool isHeader;
      const char* name;
      const char* value;
   } cases[] = {
      {"Host: example.com", true, "Host", "example.com"},
      {"  Host :  example.com  \r", true, "Host", "example.com"},
      {"Referer: http://a/b: c", true, "Referer", "http://a/b: c"},
      {": value", true, "", "value"},
      {"Name:", false, "", ""},
      {"Name:value", false, "", ""},
      {"Host:example.com", false, "", ""},
      {"", false, "", ""},
      {"\r", false, "", ""},
      {"no colon at all", false, "", ""},
      {"a\rb: c\rd\r", true, "a\rb", "c\rd"},
   };
   for (const auto& c : cases)
   {
      Header header{"old", "old"};
      EXPECT_EQ(c.isHeader, parseHeader(c.line, &header)) << c.line;
      if (c.isHeader)
      {
         EXPECT_EQ(c.name, header.name) << c.line;
         EXPECT_EQ(c.value, header.value) << c.line;
      }
      else
      {
         EXPECT_EQ("old", header.name) << c.line;
      }
   }
}

TEST(MessageTest, OnlyALineOfOneCarriageReturnEndsAHeaderBlock)
{
   const struct
   {
      const char* block;
      const char* expected;
   } cases[] = {
      {"\r\nA: 1\r\nB: 2\r\n\r\nC: 3\r\n", "A=1;B=2;"},
      {"\nA: 1\nB: 2\n\nC: 3\n", "A=1;B=2;C=3;"},
      {"\r\n\r\nA: 1\r\n\r\n", "A=1;"},
      {"A: 1\r\nnot a header\r\nB: 2\r\n\r\n", "A=1;B=2;"},
      {"A: 1\r\n\rB: 2\r\n", "A=1;B=2;"},
      {"A: 1", "A=1;"},
      {"", ""},
      {"\r\n\r\n", ""},
   };
   for (const auto& c : cases)
   {
      std::istringstream stream(c.block);
      Headers headers;
      parseHeaders(stream, &headers);
      EXPECT_EQ(c.expected, headersText(headers)) << c.block;
   }
}

TEST(MessageTest, ParseHeadersStopsAfterTheBlankLineAndLeavesTheRestInTheStream)
{
   std::istringstream stream("A: 1\r\n\r\nbody: not a header");
   Headers headers;
   parseHeaders(stream, &headers);
   ASSERT_EQ(1u, headers.size());
   std::string rest;
   std::getline(stream, rest);
   EXPECT_EQ("body: not a header", rest);
}

TEST(MessageTest, OverLongLinesParseWhole)
{
   const std::string longValue(4 << 20, 'v');
   const std::string longJunk(4 << 20, ':');
   std::istringstream stream("X-Long: " + longValue + "\r\n" + longJunk + "\r\nB: 2\r\n\r\n");
   Headers headers;
   parseHeaders(stream, &headers);
   ASSERT_EQ(2u, headers.size());
   EXPECT_EQ(longValue, headers[0].value);
   EXPECT_EQ("B", headers[1].name);
}

TEST(MessageTest, BuffersHoldTheStartLineHeadersAndOverrideInOrder)
{
   const struct
   {
      Headers headers;
      Header override;
      const char* expected;
   } cases[] = {
      {{}, {}, "HTTP/1.1 200 OK\r\n\r\n"},
      {{{"A", "1"}, {"B", "2"}}, {}, "HTTP/1.1 200 OK\r\nA: 1\r\nB: 2\r\n\r\n"},
      {{{"Content-Length", "5"}, {"A", "1"}},
       {"Content-Length", "9"},
       "HTTP/1.1 200 OK\r\nA: 1\r\nContent-Length: 9\r\n\r\n"},
      {{{"content-length", "5"}},
       {"Content-Length", "9"},
       "HTTP/1.1 200 OK\r\ncontent-length: 5\r\nContent-Length: 9\r\n\r\n"},
      {{{"", "nameless"}, {"A", "1"}}, {}, "HTTP/1.1 200 OK\r\nA: 1\r\n\r\n"},
   };
   for (const auto& c : cases)
   {
      TestMessage message;
      message.addHeader(c.headers);
      EXPECT_EQ(c.expected, buffersText(message.headerBuffers(c.override))) << c.expected;
   }
}

TEST(MessageTest, BuffersPointIntoTheMessageAndEndWithTheBody)
{
   TestMessage message;
   message.setHttpVersion(1, 0);
   message.addHeader("A", "1");
   message.setBody("hello");
   const std::vector<boost::asio::const_buffer> buffers = message.toBuffers();
   EXPECT_EQ("HTTP/1.0 200 OK\r\nA: 1\r\n\r\nhello", buffersText(buffers));
   EXPECT_EQ(message.body().data(), buffers.back().data());
   EXPECT_EQ(message.headers()[0].value.data(), buffers[6].data());
}

TEST(MessageTest, LineBreaksInStoredNamesAndValuesBecomeSpaces)
{
   TestMessage message;
   message.addHeader("X-A", "v\r\nInjected: 1");
   message.setHeader("X-B\n", "w\rx");
   message.addHeader(Headers{{"X-C", "\n\n<html>"}});
   message.setHeader("X-D", "1");
   message.replaceHeader("x-d", "2\r\n\r\nbody");
   message.setHeaderLine("X-E: a\rb\r");

   const std::string text = buffersText(message.headerBuffers(Header{"X-F", "o\r\nverride"}));
   EXPECT_EQ("HTTP/1.1 200 OK\r\n"
             "X-A: v  Injected: 1\r\n"
             "X-B : w x\r\n"
             "X-C:   <html>\r\n"
             "x-d: 2    body\r\n"
             "X-E: a b\r\n"
             "X-F: o  verride\r\n"
             "\r\n",
             text);
}

// Every way of storing a header, each applied to a fresh message holding one "X: old".
const struct
{
   const char* name;
   void (*store)(Message& message, const std::string& name, const std::string& value);
} kStoringPaths[] = {
   {"addHeader", [](Message& m, const std::string& n, const std::string& v) { m.addHeader(n, v); }},
   {"addHeader(Header)", [](Message& m, const std::string& n, const std::string& v) { m.addHeader(Header{n, v}); }},
   {"addHeader(Headers)", [](Message& m, const std::string& n, const std::string& v) { m.addHeader(Headers{{n, v}}); }},
   {"setHeader", [](Message& m, const std::string& n, const std::string& v) { m.setHeader(n, v); }},
   {"setHeader(Header)", [](Message& m, const std::string& n, const std::string& v) { m.setHeader(Header{n, v}); }},
   // A name is looked up as given, so the stored form of this one is never found again;
   // the replacement keeps the second header's own name.
   {"replaceHeader", [](Message& m, const std::string& n, const std::string& v) {
       m.addHeader(n, "old");
       m.replaceHeader(m.headers()[1].name, v);
    }},
   {"setHeaderLine", [](Message& m, const std::string& n, const std::string& v) { m.setHeaderLine(n + ": " + v); }},
   {"setHeaders", [](Message& m, const std::string& n, const std::string& v) {
       m.setHeaders(Headers{{"X", "old"}, {n, v}});
    }},
};

TEST(MessageTest, EveryControlByteButTabBecomesASpaceWhenStored)
{
   for (int byte = 0; byte < 256; ++byte)
   {
      const char c = static_cast<char>(byte);
      const bool replaced = (byte < 0x20 && byte != '\t') || byte == 0x7f;
      const std::string value = std::string("a") + c + "b";
      const std::string name = std::string("X-") + c + "N";
      const std::string stored = replaced ? "a b" : value;
      const std::string storedName = replaced ? "X- N" : name;
      for (const auto& path : kStoringPaths)
      {
         TestMessage message;
         message.addHeader("X", "old");
         path.store(message, name, value);
         ASSERT_EQ(2u, message.headers().size()) << path.name << " " << byte;
         EXPECT_EQ(storedName, message.headers()[1].name) << path.name << " " << byte;
         EXPECT_EQ(stored, message.headers()[1].value) << path.name << " " << byte;
      }

      TestMessage message;
      const std::string text = buffersText(message.headerBuffers(Header{name, value}));
      EXPECT_EQ("HTTP/1.1 200 OK\r\n" + storedName + ": " + stored + "\r\n\r\n", text) << "override " << byte;
   }
}

// Long texts are searched for control bytes a word at a time: every position of a
// word, its last one and the bytes on either side of each range count.
TEST(MessageTest, AControlByteAnywhereInALongTextIsReplaced)
{
   const unsigned char bytes[] = {0x00, 0x08, 0x09, 0x0A, 0x0D, 0x1F, 0x20, 0x7E, 0x7F, 0x80, 0x9F, 0xFF};
   for (const unsigned char byte : bytes)
   {
      const bool replaced = (byte < 0x20 && byte != '\t') || byte == 0x7f;
      for (std::size_t position = 0; position < 19; ++position)
      {
         std::string text(19, 'v');
         text[position] = static_cast<char>(byte);
         std::string expected = text;
         if (replaced)
            expected[position] = ' ';

         TestMessage message;
         message.setHeader("X-Value", text);
         Headers list{{text, "1"}};
         message.setHeaders(std::move(list));
         message.addHeader("X-Value", text);
         EXPECT_EQ(expected, message.headers()[0].name) << int(byte) << " at " << position;
         EXPECT_EQ(expected, message.headers()[1].value) << int(byte) << " at " << position;
      }
   }
}

// Short texts are tested as one word filled out past their end, and longer ones end on
// a word that overlaps the one before: every length up to two words and a byte, and
// every position in each, count.
TEST(MessageTest, AControlByteAnywhereInATextOfAnyLengthIsReplaced)
{
   const unsigned char bytes[] = {0x00, 0x09, 0x1F, 0x20, 0x7F, 0x80};
   for (const unsigned char byte : bytes)
   {
      const bool replaced = (byte < 0x20 && byte != '\t') || byte == 0x7f;
      for (std::size_t length = 1; length <= 17; ++length)
      {
         for (std::size_t position = 0; position < length; ++position)
         {
            std::string text(length, 'v');
            text[position] = static_cast<char>(byte);
            std::string expected = text;
            if (replaced)
               expected[position] = ' ';

            TestMessage message;
            message.addHeader(text, text);
            EXPECT_EQ(expected, message.headers()[0].name) << int(byte) << " at " << position << " of " << length;
            EXPECT_EQ(expected, message.headers()[0].value) << int(byte) << " at " << position << " of " << length;
         }
      }
   }
   TestMessage message;
   message.addHeader("X-Empty", "");
   EXPECT_EQ("", message.headers()[0].value);
}

TEST(MessageTest, SetHeadersReplacesTheWholeListInItsOrder)
{
   TestMessage message;
   message.addHeader("Old", "1");
   message.setHeaders(Headers{{"B", "2"}, {"a", "1"}, {"B", "3"}});
   EXPECT_EQ("B=2;a=1;B=3;", headersText(message.headers()));
   EXPECT_EQ("2", message.headerValue("b"));

   // A message may be handed its own list, as reading gives it.
   message.setHeaders(message.headers());
   EXPECT_EQ("B=2;a=1;B=3;", headersText(message.headers()));

   Headers copy = message.headers();
   copy.push_back(Header{"Set-Cookie", "x=1\r\nInjected: 1"});
   message.setHeaders(copy);
   EXPECT_EQ("HTTP/1.1 200 OK\r\nB: 2\r\na: 1\r\nB: 3\r\nSet-Cookie: x=1  Injected: 1\r\n\r\n",
             buffersText(message.headerBuffers()));

   message.setHeaders(Headers());
   EXPECT_TRUE(message.headers().empty());
}

TEST(MessageTest, SetHeaderLineIgnoresALineThatHoldsNoHeader)
{
   TestMessage message;
   message.setHeaderLine("Cache-Control:no-cache");
   EXPECT_TRUE(message.headers().empty());
   message.setHeaderLine("Cache-Control: no-cache\r");
   EXPECT_EQ("Cache-Control=no-cache;", headersText(message.headers()));
}

TEST(MessageTest, ResetRestoresTheNewStateAndClearsTheSubclass)
{
   TestMessage message;
   message.setHttpVersion(2, 0);
   message.addHeader("A", "1");
   message.setBody("x");
   message.reset();
   EXPECT_EQ(1, message.resets);
   EXPECT_EQ(1, message.httpVersionMajor());
   EXPECT_EQ(1, message.httpVersionMinor());
   EXPECT_TRUE(message.headers().empty());
   EXPECT_EQ("", message.body());
   EXPECT_EQ("HTTP/1.1 200 OK\r\n\r\n", buffersText(message.toBuffers()));
}

TEST(MessageTest, TextFormWritesHeadersABlankLineAndTheBody)
{
   TestMessage message;
   message.addHeader("A", "1");
   message.addHeader("B", "2");
   message.setBody("body");
   std::ostringstream text;
   text << static_cast<const Message&>(message);
   EXPECT_EQ("A: 1\nB: 2\n\nbody\n", text.str());
}

} // namespace
} // namespace velorin::core::http
