// HttpRequestBench.cpp: reading a browser GET (12 headers, 3 of them looked up), a
// typical browser request (12 headers, cookies, a 2 KB URL-encoded form) and a 1 MB
// multipart upload, beside Boost.Beast's request parser on the same bytes; and the
// multipart delimiter search beside glibc's memmem.
//
// The library takes requests already split into start line, headers and body (a
// host's server code does that), so its figures include that split, done here by hand
// with the library's header-block parser. "Library:headers" stops there, as Beast does,
// and is paired with it in the ratios; "headers_query_cookies_form" also reads the
// query, the cookies and the form, which Beast leaves to its caller.
#include <core/http/Request.hpp>
#include <core/http/Util.hpp>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

#include "ReadRequest.hpp"

using namespace velorin::core;

namespace {

// Letters, digits and the marks a browser escapes, in form-field-sized runs.
std::string formBody(std::size_t size)
{
   std::mt19937 generator(21);
   const std::string alphabet = "abcdefghijklmnopqrstuvwxyz0123456789 &=/+,";
   std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
   std::string body;
   for (int field = 0; body.size() < size; ++field)
   {
      std::string value;
      for (int i = 0; i < 40; ++i)
         value += alphabet[pick(generator)];
      body += (body.empty() ? "" : "&") + ("field" + std::to_string(field)) + "=" + http::util::urlEncode(value, true);
   }
   return body;
}

std::string requestBytes(const std::string& contentType, const std::string& body)
{
   return "POST /app/save?session=7f3a&view=list&q=caf%C3%A9+au+lait HTTP/1.1\r\n"
          "Host: app.example.com\r\n"
          "Connection: keep-alive\r\n"
          "User-Agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
          "Chrome/120.0.0.0 Safari/537.36\r\n"
          "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,image/avif,image/webp,*/*;q=0.8\r\n"
          "Accept-Encoding: gzip, deflate, br\r\n"
          "Accept-Language: en-GB,en;q=0.9,de;q=0.8\r\n"
          "Origin: https://app.example.com\r\n"
          "Referer: https://app.example.com/app/edit?id=42\r\n"
          "Cache-Control: max-age=0\r\n"
          "Cookie: session=4f1c9d2e8b7a6f5e; theme=dark; lang=en-GB; csrf=Zm9vYmFyYmF6cXV4; seen=1\r\n"
          "Content-Type: " +
          contentType + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

const std::string& browserRequest()
{
   static const std::string bytes = requestBytes("application/x-www-form-urlencoded", formBody(2048));
   return bytes;
}

const std::string& multipartUpload()
{
   static const std::string bytes = [] {
      std::mt19937 generator(1);
      std::uniform_int_distribution<int> byte(0, 255);
      std::string file(1 << 20, '\0');
      for (char& c : file)
         c = static_cast<char>(byte(generator));
      const std::string boundary = "----WebKitFormBoundary7MA4YWxkTrZu0gW";
      const std::string body = "--" + boundary + "\r\nContent-Disposition: form-data; name=\"title\"\r\n\r\nHoliday\r\n" +
                               "--" + boundary +
                               "\r\nContent-Disposition: form-data; name=\"photo\"; filename=\"beach.jpg\"\r\n"
                               "Content-Type: image/jpeg\r\n\r\n" +
                               file + "\r\n--" + boundary + "--\r\n";
      return requestBytes("multipart/form-data; boundary=" + boundary, body);
   }();
   return bytes;
}

// A browser's GET of a page: 12 headers and no body.
const std::string& browserGet()
{
   static const std::string bytes =
      "GET /app/list?session=7f3a&view=list HTTP/1.1\r\n"
      "Host: app.example.com\r\n"
      "Connection: keep-alive\r\n"
      "Upgrade-Insecure-Requests: 1\r\n"
      "User-Agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
      "Chrome/120.0.0.0 Safari/537.36\r\n"
      "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,image/avif,image/webp,*/*;q=0.8\r\n"
      "Sec-Fetch-Site: same-origin\r\n"
      "Sec-Fetch-Mode: navigate\r\n"
      "Accept-Encoding: gzip, deflate, br\r\n"
      "Accept-Language: en-GB,en;q=0.9,de;q=0.8\r\n"
      "Referer: https://app.example.com/app/edit?id=42\r\n"
      "Cache-Control: max-age=0\r\n"
      "Cookie: session=4f1c9d2e8b7a6f5e; theme=dark; lang=en-GB; csrf=Zm9vYmFyYmF6cXV4; seen=1\r\n"
      "\r\n";
   return bytes;
}

// The three values a server looks at first, by the names as a host spells them.
const char* const kLookedUpHeaders[] = {"Host", "Cookie", "Accept-Encoding"};

void libraryGet(benchmark::State& state)
{
   const std::string& bytes = browserGet();
   for (auto _ : state)
   {
      http::Request request;
      bench::readRequest(bytes, &request);
      for (const char* name : kLookedUpHeaders)
         benchmark::DoNotOptimize(request.headerValue(name).size());
   }
   state.SetItemsProcessed(state.iterations());
}

void beastGet(benchmark::State& state)
{
   namespace beast_http = boost::beast::http;
   const std::string& bytes = browserGet();
   for (auto _ : state)
   {
      beast_http::request_parser<beast_http::string_body> parser;
      boost::beast::error_code error;
      parser.put(boost::asio::buffer(bytes), error);
      if (error || !parser.is_done())
         state.SkipWithError("Beast did not read the whole request");
      for (const char* name : kLookedUpHeaders)
         benchmark::DoNotOptimize(parser.get()[name].size());
   }
   state.SetItemsProcessed(state.iterations());
}

BENCHMARK(libraryGet)->Name("BrowserGet/Library")->Unit(benchmark::kMicrosecond);
BENCHMARK(beastGet)->Name("BrowserGet/Peer:beast")->Unit(benchmark::kMicrosecond);

void coreHeaders(benchmark::State& state, const std::string& bytes)
{
   for (auto _ : state)
   {
      http::Request request;
      bench::readRequest(bytes, &request);
      benchmark::DoNotOptimize(request.body().data());
   }
   state.SetItemsProcessed(state.iterations());
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void coreAll(benchmark::State& state, const std::string& bytes, const std::string& field)
{
   for (auto _ : state)
   {
      http::Request request;
      bench::readRequest(bytes, &request);
      benchmark::DoNotOptimize(request.queryParamValue("q").data());
      benchmark::DoNotOptimize(request.cookieValue("csrf").data());
      benchmark::DoNotOptimize(request.formFields().size());
      benchmark::DoNotOptimize(request.uploadedFile(field).contents.data());
   }
   state.SetItemsProcessed(state.iterations());
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void beast(benchmark::State& state, const std::string& bytes)
{
   namespace beast_http = boost::beast::http;
   for (auto _ : state)
   {
      beast_http::request_parser<beast_http::string_body> parser;
      parser.eager(true);
      parser.body_limit(bytes.size());
      boost::beast::error_code error;
      parser.put(boost::asio::buffer(bytes), error);
      if (error || !parser.is_done())
         state.SkipWithError("Beast did not read the whole request");
      benchmark::DoNotOptimize(parser.get().body().data());
   }
   state.SetItemsProcessed(state.iterations());
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void registerBenchmarks()
{
   const struct
   {
      const char* name;
      const std::string& bytes;
      const char* fileField;
   } requests[] = {{"BrowserRequest", browserRequest(), "none"}, {"MultipartUpload", multipartUpload(), "photo"}};
   for (const auto& request : requests)
   {
      const std::string name = request.name;
      const std::string& bytes = request.bytes;
      const std::string field = request.fileField;
      benchmark::RegisterBenchmark((name + "/Peer:beast").c_str(), [&bytes](benchmark::State& state) { beast(state, bytes); })
         ->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark((name + "/Library:headers").c_str(),
                                   [&bytes](benchmark::State& state) { coreHeaders(state, bytes); })
         ->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark((name + "/headers_query_cookies_form").c_str(),
                                   [&bytes, field](benchmark::State& state) { coreAll(state, bytes, field); })
         ->Unit(benchmark::kMicrosecond);
   }
}

// Beast parses headers only, so the library's header parse is its like; the full read of
// query, cookies and form is shown beside them without a ratio.
const bool registered = (registerBenchmarks(), true);

// A multipart body of one file part, and the boundary it is delimited with.
struct MultipartBody
{
   std::string boundary;
   std::string body;
};

// A 1 MB photo under a browser's boundary.
const MultipartBody& typicalUpload()
{
   static const MultipartBody upload = [] {
      std::mt19937 generator(3);
      std::uniform_int_distribution<int> byte(0, 255);
      std::string file(1 << 20, '\0');
      for (char& c : file)
         c = static_cast<char>(byte(generator));
      const std::string boundary = "----WebKitFormBoundary7MA4YWxkTrZu0gW";
      return MultipartBody{boundary, "--" + boundary +
                                        "\r\nContent-Disposition: form-data; name=\"photo\"; filename=\"a.jpg\"\r\n\r\n" +
                                        file + "\r\n--" + boundary + "--\r\n"};
   }();
   return upload;
}

// 4 MB of hyphen runs, each one short of a 64 KB boundary of hyphens, before the first
// delimiter and again inside the part: a search that compares at every position is
// quadratic here.
const MultipartBody& nearMatches()
{
   static const MultipartBody near = [] {
      const std::string boundary(65534, '-');
      const std::string delimiter = "--" + boundary;
      std::string runs;
      while (runs.size() < (2u << 20))
         runs += "\r\n" + delimiter.substr(1) + "x";
      return MultipartBody{boundary, runs + delimiter +
                                        "\r\nContent-Disposition: form-data; name=\"f\"; filename=\"a\"\r\n\r\n" +
                                        runs + "\r\n" + delimiter + "--"};
   }();
   return near;
}

void libraryMultipart(benchmark::State& state, const MultipartBody& multipart)
{
   const std::string contentType = "multipart/form-data; boundary=" + multipart.boundary;
   for (auto _ : state)
   {
      http::Fields fields;
      http::Files files;
      http::util::parseMultipartForm(contentType, multipart.body, &fields, &files);
      benchmark::DoNotOptimize(files.begin()->second.contents.data());
   }
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * multipart.body.size()));
}

// The same two searches with memmem (linear, two-way) and the same copy of the file
// part's content, without reading the part's headers.
void memmemMultipart(benchmark::State& state, const MultipartBody& multipart)
{
   const std::string boundary = "--" + multipart.boundary;
   const std::string delimiter = "\r\n" + boundary;
   const char* const body = multipart.body.data();
   const std::size_t size = multipart.body.size();
   for (auto _ : state)
   {
      const char* first = static_cast<const char*>(::memmem(body, size, boundary.data(), boundary.size()));
      const char* partStart = first + boundary.size();
      const char* partEnd = static_cast<const char*>(
         ::memmem(partStart, static_cast<std::size_t>(body + size - partStart), delimiter.data(), delimiter.size()));
      const char* content = static_cast<const char*>(::memmem(partStart, static_cast<std::size_t>(partEnd - partStart), "\r\n\r\n", 4)) + 4;
      std::string contents(content, partEnd);
      benchmark::DoNotOptimize(contents.data());
   }
   state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void registerMultipartBenchmarks()
{
   const struct
   {
      const char* name;
      const MultipartBody& multipart;
   } bodies[] = {{"TypicalUpload", typicalUpload()}, {"NearMatches", nearMatches()}};
   for (const auto& entry : bodies)
   {
      const std::string name = std::string("MultipartBoundary/") + entry.name;
      const MultipartBody& multipart = entry.multipart;
      benchmark::RegisterBenchmark((name + "/Library").c_str(),
                                   [&multipart](benchmark::State& state) { libraryMultipart(state, multipart); })
         ->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark((name + "/Peer:memmem").c_str(),
                                   [&multipart](benchmark::State& state) { memmemMultipart(state, multipart); })
         ->Unit(benchmark::kMicrosecond);
   }
}

const bool multipartRegistered = (registerMultipartBenchmarks(), true);

} // namespace
