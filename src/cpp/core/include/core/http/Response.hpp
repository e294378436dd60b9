// Response.hpp: the HTTP reply: a message with a status, the ways of setting its body,
// fixed sets of caching headers, cookies, and ready-made replies.
//
//   response.setContentType("application/json");
//   response.disableCaching();
//   Error error = response.setBody(text);           // also sets "Content-Length"
//   response.respondNotFound(request);              // 404 with an escaped page
//
// Bodies are stored unencoded: nothing here compresses, so a "gzip" content encoding
// set on the way is dropped when the body is set. A response is used by one thread at
// a time.
#pragma once

#include <cstdint>
#include <ios>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include <boost/assert.hpp>
#include <boost/function.hpp>
#include <boost/iostreams/concepts.hpp>
#include <boost/iostreams/write.hpp>
#include <boost/shared_ptr.hpp>

#include <core/http/Message.hpp>
#include <core/http/StreamResponse.hpp>
#include <shared_core/Error.hpp>

namespace velorin::core {
class FilePath;
}

namespace velorin::core::http {

class Cookie;
class Request;
class Response;

// Stands for "no output filter": the body operations take it and apply nothing.
// Pushed onto a chain by mistake, it reports a failed assertion and passes the bytes
// through.
class NullOutputFilter : public boost::iostreams::multichar_output_filter
{
public:
   template <typename Sink>
   std::streamsize write(Sink& sink, const char* data, std::streamsize size)
   {
      BOOST_ASSERT(false);
      return boost::iostreams::write(sink, data, size);
   }
};

typedef boost::function<void(const Request&, Response*)> NotFoundHandler;

class Response : public Message
{
public:
   Response();
   ~Response() override;

   // ----- Status -----------------------------------------------------------------

   int statusCode() const { return statusCode_; }
   void setStatusCode(int statusCode) { statusCode_ = statusCode; }

   // The phrase set, else the usual one for the code ("" for an unusual code).
   std::string statusMessage() const;
   // Stored as the message stores a header value (control bytes but HTAB become
   // spaces), so that the phrase cannot split the status line.
   void setStatusMessage(const std::string& statusMessage);

   // ----- Bodies -----------------------------------------------------------------

   // Reads the stream whole into the body and sets "Content-Length". With padding, a
   // body shorter than 1024 bytes is filled up with spaces to 1024. A failing read
   // gives system error 5 with the property "what"; a buffer size below 1 gives system
   // error 87 and changes nothing.
   Error setBody(std::istream& stream, const NullOutputFilter& filter, std::streamsize bufferSize, bool padding);
   // The error of opening the file, else as above.
   Error setBody(const FilePath& file, const NullOutputFilter& filter, std::streamsize bufferSize, bool padding);
   Error setBody(const std::string& content);

   // Removes "Content-Encoding"; sets "Content-Length".
   void setBodyWithoutEncoding(const std::string& content);

   // The decimal CRC-32 of the content, without quotes.
   static std::string entityTag(const std::string& content);

   // Sets "ETag"; a request whose "If-None-Match" is exactly that tag gets 304 with no
   // "Content-Type" and the body left as it was.
   Error setBodyWithETag(const std::string& content, const Request& request, const NullOutputFilter& filter);
   // The file's bytes unchanged; a read error is returned with the response untouched.
   Error setFileWithETag(const FilePath& file, const Request& request);

   // "text/html" without caching.
   void setUncachedHtml(const std::string& html, const Request& request);

   // Qt WebKit clients need an HTML file of at least 1024 bytes.
   static bool needsHtmlPadding(const Request& request, const FilePath& file);

   // ----- Headers and cookies ------------------------------------------------------

   std::string contentEncoding() const;
   void setContentEncoding(const std::string& encoding);

   void addCookie(const Cookie& cookie);
   // Only headers named exactly "Set-Cookie", case counting.
   void clearCookies();
   Headers cookieHeaders() const;

   void disableCaching();
   // A year ahead, "public" or "private". Touches neither "Pragma" nor "Last-Modified".
   void setLongCacheHeaders(bool publicCache);
   void setPublicLongCacheHeaders();
   void setPrivateLongCacheHeaders();
   void setRevalidateCacheHeaders();
   void clearCachingHeaders();

   // "" or "none": DENY; "same": SAMEORIGIN; "any": nothing; else an origin allowed to
   // frame the page. Compared exactly.
   void setFramingPolicy(const std::string& option);

   // "X-UA-Compatible" for Chrome Frame and Internet Explorer clients.
   void setCompatibilityModeHeader(const Request& request);

   // ----- Ready-made replies -------------------------------------------------------

   // The message, HTML-escaped, is the whole page; caching headers are removed.
   void respondWithError(int statusCode, const std::string& message);
   // Status 500 with the error's message.
   void respondWithError(const Error& error);

   // The location is cut at its first CR, LF or NUL and completed against the request's
   // absolute URI.
   void redirectPermanently(const Request& request, const std::string& location);
   void redirectTemporarily(const Request& request, const std::string& location);

   // The handler when one is set, else 404 with the URI and " not found".
   void respondNotFound(const Request& request);
   void respondNotFound(const std::string& uri);
   void setNotFoundHandler(const NotFoundHandler& handler) { notFoundHandler_ = handler; }

   // One "bytes=first-last" range of the content: 206 with the part, or 416 with
   // "bytes */size" and a "Content-Length" (0 unless a body was set before) when the
   // request holds no such range or it selects nothing. A last position beyond the
   // content is taken as its last byte.
   void setRangedBody(const std::string& content, const std::string& contentType, const Request& request);
   // As above with the file's MIME type; a read error answers 500.
   void setRangedFile(const FilePath& file, const Request& request);

   // ----- File serving ---------------------------------------------------------------

   // 404 for a missing file; sets "Last-Modified"; 304 without "Content-Type" when the
   // request's "If-Modified-Since" is exactly that time, else the file as the body. A
   // file dated outside the years 1400 to 9999 is the body, without "Last-Modified".
   void setFileIfModified(const FilePath& file, const Request& request, const NullOutputFilter& filter);
   // 404 for a missing file, 500 for one that cannot be read.
   void setFileBody(const FilePath& file, const Request& request, const NullOutputFilter& filter);

   // ----- Streamed bodies ------------------------------------------------------------

   // Chunked transfer with the file read in pieces of bufferSize bytes; no
   // "Content-Length". A file that cannot be opened, or a buffer size below 1, answers
   // 500 with a page framed by its "Content-Length" alone (no "Transfer-Encoding"), so
   // the sender looks at the status before draining the source.
   void streamFile(const FilePath& file, const Request& request, std::streamsize bufferSize);
   const boost::shared_ptr<StreamResponse>& streamResponse() const { return streamResponse_; }

protected:
   void appendFirstLineBuffers(std::vector<boost::asio::const_buffer>* buffers) override;
   // Status 200 and no phrase; the not-found handler and the stream source stay.
   void resetMembers() override;

private:
   void redirect(int statusCode, const Request& request, const std::string& location);

   int statusCode_;
   std::string statusMessage_;
   std::string statusCodeText_;
   NotFoundHandler notFoundHandler_;
   boost::shared_ptr<StreamResponse> streamResponse_;
};

// The status line, then the message's text form.
std::ostream& operator<<(std::ostream& os, const Response& response);

} // namespace velorin::core::http
