// ResponseFileTest.cpp: responses made from files: entity tags, byte ranges and
// streamed chunks with their padding.
#include <core/http/Response.hpp>

#include <fstream>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>

#include <gtest/gtest.h>

#include <core/Checksum.hpp>
#include <core/http/Request.hpp>
#include <shared_core/FilePath.hpp>

#include <ScratchFolder.hpp>

namespace velorin::core::http {
namespace {

const char kQtWebKit[] = "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/538.1 (KHTML, like Gecko) Qt/5.12";

class ResponseFileTest : public ::testing::Test
{
protected:
   FilePath fileWith(const std::string& name, const std::string& bytes) const
   {
      std::ofstream stream((folder_ / name).string(), std::ios::binary);
      stream << bytes;
      return missing(name);
   }

   FilePath missing(const std::string& name) const { return FilePath((folder_ / name).string()); }

   const testing::ScratchFolder folder_{"response-%%%%-%%%%"};
};

// The size of each chunk, and the bytes of all of them, until the end or a limit.
struct Drained
{
   std::vector<std::size_t> sizes;
   std::string bytes;
};

Drained drain(StreamResponse& source)
{
   Drained drained;
   for (int i = 0; i < 100; ++i)
   {
      const std::shared_ptr<StreamBuffer> chunk = source.nextChunk();
      if (!chunk)
         break;
      drained.sizes.push_back(chunk->size);
      drained.bytes.append(chunk->data, chunk->size);
   }
   return drained;
}

TEST_F(ResponseFileTest, StreamedFileComesInChunksOfTheBufferSize)
{
   const struct
   {
      const char* name;
      std::size_t fileSize;
      std::streamsize bufferSize;
      const char* userAgent;
      std::vector<std::size_t> sizes;
      std::size_t fill;
   } cases[] = {
      {"big.bin", 3000, 1024, "", {1024, 1024, 952}, 0},
      {"exact.bin", 2048, 1024, "", {1024, 1024}, 0},
      {"short.html", 100, 1024, kQtWebKit, {100, 924}, 924},
      {"short2.html", 100, 1024, "Mozilla/5.0 AppleWebKit/537.36 Chrome/120.0", {100}, 0},
      {"short.txt", 100, 1024, kQtWebKit, {100}, 0},
      {"empty.html", 0, 1024, kQtWebKit, {1024}, 1024},
      {"tiny-buffer.html", 10, 3, kQtWebKit, {3, 3, 3, 1, 1014}, 1014},
      {"long.html", 1500, 1024, kQtWebKit, {1024, 476}, 0},
   };
   for (const auto& c : cases)
   {
      std::string content;
      for (std::size_t i = 0; i < c.fileSize; ++i)
         content += static_cast<char>('a' + i % 26);
      const FilePath file = fileWith(c.name, content);
      Request request;
      request.setHeader("User-Agent", c.userAgent);
      Response response;
      response.streamFile(file, request, c.bufferSize);
      ASSERT_EQ(200, response.statusCode()) << c.name;
      ASSERT_TRUE(response.streamResponse()) << c.name;
      EXPECT_EQ("chunked", response.headerValue("Transfer-Encoding")) << c.name;
      EXPECT_FALSE(response.containsHeader("Content-Length")) << c.name;

      const Drained drained = drain(*response.streamResponse());
      EXPECT_EQ(c.sizes, drained.sizes) << c.name;
      EXPECT_EQ(content + std::string(c.fill, '0'), drained.bytes) << c.name;
      EXPECT_FALSE(response.streamResponse()->nextChunk()) << c.name;
      EXPECT_FALSE(response.streamResponse()->nextChunk()) << c.name;
   }
}

TEST_F(ResponseFileTest, StreamedFileTypeFallsBackToOctetStream)
{
   const struct
   {
      const char* name;
      const char* type;
   } cases[] = {
      {"page.html", "text/html"},
      {"data.unknownext", "application/octet-stream"},
      {"noext", "application/octet-stream"},
   };
   for (const auto& c : cases)
   {
      Response response;
      response.streamFile(fileWith(c.name, "x"), Request(), 128);
      EXPECT_EQ(c.type, response.contentType()) << c.name;
   }
}

TEST_F(ResponseFileTest, MissingStreamedFileAnswersAnErrorAndItsSourceEndsAtOnce)
{
   Request request;
   request.setHeader("User-Agent", kQtWebKit);
   Response response;
   response.streamFile(missing("gone.html"), request, 1024);
   EXPECT_EQ(500, response.statusCode());
   EXPECT_EQ("text/html", response.contentType());
   EXPECT_FALSE(response.body().empty());
   EXPECT_EQ(std::to_string(response.body().size()), response.headerValue("Content-Length"));
   EXPECT_FALSE(response.containsHeader("Transfer-Encoding")) << "a reply framed twice cannot be read";
   ASSERT_TRUE(response.streamResponse());
   EXPECT_FALSE(response.streamResponse()->nextChunk());
}

TEST_F(ResponseFileTest, StreamedFileWithABufferBelowOneByteAnswersAnError)
{
   const FilePath file = fileWith("page.html", "<p>content</p>");
   for (const std::streamsize bufferSize : {std::streamsize(0), std::streamsize(-1)})
   {
      Request request;
      request.setHeader("User-Agent", kQtWebKit);
      Response response;
      response.streamFile(file, request, bufferSize);
      EXPECT_EQ(500, response.statusCode()) << bufferSize;
      EXPECT_EQ("text/html", response.contentType()) << bufferSize;
      EXPECT_FALSE(response.body().empty()) << bufferSize;
      EXPECT_EQ(std::to_string(response.body().size()), response.headerValue("Content-Length")) << bufferSize;
      EXPECT_FALSE(response.containsHeader("Transfer-Encoding")) << bufferSize;
      ASSERT_TRUE(response.streamResponse()) << bufferSize;
      EXPECT_FALSE(response.streamResponse()->nextChunk()) << bufferSize;
   }
}

TEST_F(ResponseFileTest, FileEntityTagIsOverTheBytesUnchanged)
{
   const std::string content("line\r\nnext\n\0end", 15);
   const FilePath file = fileWith("data.json", content);

   Request request;
   Response response;
   ASSERT_FALSE(response.setFileWithETag(file, request));
   EXPECT_EQ(content, response.body());
   EXPECT_EQ(checksum::crc32Decimal(content), response.headerValue("ETag"));

   request.setHeader("If-None-Match", checksum::crc32Decimal(content));
   Response again;
   ASSERT_FALSE(again.setFileWithETag(file, request));
   EXPECT_EQ(304, again.statusCode());
   EXPECT_EQ("", again.body());

   Response untouched;
   untouched.setStatusCode(201);
   const Error error = untouched.setFileWithETag(missing("none.json"), request);
   EXPECT_TRUE(error);
   EXPECT_EQ(201, untouched.statusCode());
   EXPECT_TRUE(untouched.headers().empty());
}

TEST_F(ResponseFileTest, RangedFileTakesItsTypeAndAnswersAReadErrorWith500)
{
   const FilePath file = fileWith("clip.csv", "0123456789");
   Request request;
   request.setHeader("Range", "bytes=2-4");
   Response response;
   response.setRangedFile(file, request);
   EXPECT_EQ(206, response.statusCode());
   EXPECT_EQ("234", response.body());
   EXPECT_EQ("text/csv", response.contentType());
   EXPECT_EQ("bytes 2-4/10", response.headerValue("Content-Range"));

   Response plain;
   plain.setRangedFile(fileWith("clip.zzz", "0123456789"), request);
   EXPECT_EQ("text/plain", plain.contentType());

   Response failed;
   failed.setRangedFile(missing("none.csv"), request);
   EXPECT_EQ(500, failed.statusCode());
   EXPECT_EQ("text/html", failed.contentType());
   EXPECT_FALSE(failed.containsHeader("Content-Range"));
}

} // namespace
} // namespace velorin::core::http
