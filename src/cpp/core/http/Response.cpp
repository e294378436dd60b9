// Response.cpp: the status line, bodies, caching and framing headers, ready-made
// replies, byte ranges, conditional file replies and the streamed file source.
#include <core/http/Response.hpp>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>
#include <locale>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include <boost/date_time/posix_time/posix_time.hpp>
#include <boost/format.hpp>
#include <boost/iostreams/copy.hpp>
#include <boost/iostreams/device/back_inserter.hpp>
#include <boost/regex.hpp>

#include <core/BrowserUtils.hpp>
#include <core/Checksum.hpp>
#include <core/FileSerializer.hpp>
#include <core/RegexUtils.hpp>
#include <core/StringUtils.hpp>
#include <core/TimeUtils.hpp>
#include <core/http/Cookie.hpp>
#include <core/http/Request.hpp>
#include <core/http/URL.hpp>
#include <core/http/Util.hpp>
#include <shared_core/FilePath.hpp>
#include <shared_core/SafeConvert.hpp>

#include "DecimalText.hpp"

namespace velorin::core::http {
namespace {

const char kSetCookie[] = "Set-Cookie";

// Some clients show nothing of a reply shorter than this.
const std::size_t kPaddedBodySize = 1024;

const std::streamsize kBodyBufferSize = 128;

const int kLongCacheSeconds = 31536000;

// ERROR_INVALID_PARAMETER
const int kInvalidParameter = 87;

// A copy through a buffer of no bytes copies nothing and would pass for an empty body.
Error bufferSizeError(std::streamsize bufferSize, const ErrorLocation& location)
{
   return systemError(kInvalidParameter, "buffer size " + std::to_string(bufferSize) + " is below 1 byte", location);
}

// Literals, so that the status line's buffer can point at them.
const char* reasonPhrase(int statusCode)
{
   switch (statusCode)
   {
      case 101: return "SwitchingProtocols";
      case 200: return "OK";
      case 201: return "Created";
      case 206: return "Partial Content";
      case 301: return "Moved Permanently";
      case 302: return "Moved Temporarily";
      case 303: return "See Other";
      case 304: return "Not Modified";
      case 310: return "Too Many Redirects";
      case 400: return "Bad Request";
      case 401: return "Unauthorized";
      case 403: return "Forbidden";
      case 404: return "Not Found";
      case 405: return "Method Not Allowed";
      case 416: return "Range Not Satisfyable";
      case 500: return "Internal Server Error";
      case 501: return "Not Implemented";
      case 502: return "Bad Gateway";
      case 503: return "Service Unavailable";
      case 504: return "Gateway Timeout";
      default: return "";
   }
}

// Looked up each time a body is set, and too long for a string to hold without the
// heap: made once, and never destroyed, since a static object may reply after main.
const std::string& contentEncodingName()
{
   static const std::string& name = *new std::string("Content-Encoding");
   return name;
}

bool isCookieHeader(const Header& header)
{
   return header.name == kSetCookie;
}

std::string httpDateFromNow(int seconds)
{
   return util::formatHttpDate(boost::posix_time::second_clock::universal_time() + boost::posix_time::seconds(seconds));
}

// Reads a file in pieces of bufferSize bytes; a short file that needs padding is
// followed by one chunk of '0' characters that brings the total to 1024 bytes.
class FileStreamResponse : public StreamResponse
{
public:
   FileStreamResponse(const FilePath& file, std::streamsize bufferSize, bool padding)
      : file_(file), bufferSize_(bufferSize), padding_(padding), position_(0)
   {
   }

   Error initialize() override { return file_.openForRead(stream_); }

   // A file that never opened has no data to pad: it ends at once.
   std::shared_ptr<StreamBuffer> nextChunk() override
   {
      if (!stream_)
         return std::shared_ptr<StreamBuffer>();

      std::size_t size = 0;
      std::unique_ptr<char[]> data;
      if (bufferSize_ > 0)
      {
         data.reset(new char[static_cast<std::size_t>(bufferSize_)]);
         stream_->read(data.get(), bufferSize_);
         size = static_cast<std::size_t>(stream_->gcount());
      }
      position_ += size;
      if (size > 0)
         return std::make_shared<StreamBuffer>(data.release(), size);

      if (!padding_ || position_ >= kPaddedBodySize)
         return std::shared_ptr<StreamBuffer>();
      const std::size_t fillSize = kPaddedBodySize - static_cast<std::size_t>(position_);
      data.reset(new char[fillSize]);
      std::memset(data.get(), '0', fillSize);
      position_ = kPaddedBodySize;
      return std::make_shared<StreamBuffer>(data.release(), fillSize);
   }

private:
   FilePath file_;
   std::shared_ptr<std::istream> stream_;
   std::streamsize bufferSize_;
   bool padding_;
   std::uint64_t position_;
};

// The failure of setting a body: system error 5 with the exception's text.
Error bodyReadError(const std::exception& exception, const ErrorLocation& location)
{
   Error error = systemError(5, location);
   error.addProperty("what", exception.what());
   return error;
}

} // namespace

Response::Response() : statusCode_(200) {}

Response::~Response() = default;

void Response::addCookie(const Cookie& cookie)
{
   addHeader(kSetCookie, cookie.headerValue());
}

void Response::appendFirstLineBuffers(std::vector<boost::asio::const_buffer>* buffers)
{
   statusCodeText_ = decimalText(statusCode_);

   appendHttpVersionBuffer(buffers);
   appendSpaceBuffer(buffers);
   buffers->push_back(boost::asio::buffer(statusCodeText_));
   appendSpaceBuffer(buffers);
   if (statusMessage_.empty())
   {
      const char* const phrase = reasonPhrase(statusCode_);
      buffers->push_back(boost::asio::buffer(phrase, std::strlen(phrase)));
   }
   else
   {
      buffers->push_back(boost::asio::buffer(statusMessage_));
   }
}

void Response::clearCachingHeaders()
{
   for (const char* name : {"Expires", "Pragma", "Cache-Control", "Last-Modified", "ETag"})
      removeHeader(name);
}

void Response::clearCookies()
{
   removeHeaders(isCookieHeader);
}

std::string Response::contentEncoding() const
{
   return headerValue(contentEncodingName());
}

Headers Response::cookieHeaders() const
{
   Headers cookies;
   std::copy_if(headers().begin(), headers().end(), std::back_inserter(cookies), isCookieHeader);
   return cookies;
}

void Response::disableCaching()
{
   // Made once, so that each reply copies them instead of building them on the heap
   // first; never destroyed, since a static object may reply after main.
   static const std::string& expired = *new std::string("Fri, 01 Jan 1990 00:00:00 GMT");
   static const std::string& noCaching = *new std::string("no-cache, no-store, max-age=0, must-revalidate");
   setHeader("Expires", expired);
   setHeader("Pragma", "no-cache");
   setHeader("Cache-Control", noCaching);
}

std::string Response::entityTag(const std::string& content)
{
   return checksum::crc32Decimal(content);
}

bool Response::needsHtmlPadding(const Request& request, const FilePath& file)
{
   return browser_utils::isQtWebKit(request.userAgent()) && file.getMimeContentType("text/plain") == "text/html";
}

std::ostream& operator<<(std::ostream& os, const Response& response)
{
   os << "HTTP/" << response.httpVersionMajor() << "." << response.httpVersionMinor() << " "
      << response.statusCode() << " " << response.statusMessage() << std::endl;
   os << static_cast<const Message&>(response);
   return os;
}

void Response::redirect(int statusCode, const Request& request, const std::string& location)
{
   // Readers that cut the location at a NUL would follow another target than the page
   // names, so the location ends at a NUL as it does at a line break.
   const std::string target = location.substr(0, location.find_first_of("\r\n\0", 0, 3));
   const std::string url = URL::complete(request.absoluteUri(), target);
   respondWithError(statusCode, url);
   setHeader("Location", url);
}

void Response::redirectPermanently(const Request& request, const std::string& location)
{
   redirect(301, request, location);
}

void Response::redirectTemporarily(const Request& request, const std::string& location)
{
   redirect(302, request, location);
}

void Response::resetMembers()
{
   statusCode_ = 200;
   statusCodeText_.clear();
   statusMessage_.clear();
}

void Response::respondNotFound(const Request& request)
{
   if (notFoundHandler_)
      notFoundHandler_(request, this);
   else
      respondNotFound(request.uri());
}

void Response::respondNotFound(const std::string& uri)
{
   respondWithError(404, uri + " not found");
}

void Response::respondWithError(int statusCode, const std::string& message)
{
   setStatusCode(statusCode);
   clearCachingHeaders();
   setContentType("text/html");
   setBodyWithoutEncoding(string_utils::htmlEscape(message, false));
}

void Response::respondWithError(const Error& error)
{
   respondWithError(500, error.getMessage());
}

Error Response::setBody(std::istream& stream, const NullOutputFilter&, std::streamsize bufferSize, bool padding)
{
   if (bufferSize < 1)
      return bufferSizeError(bufferSize, ERROR_LOCATION);
   try
   {
      stream.exceptions(std::istream::failbit | std::istream::badbit);
      if (contentEncoding() == "gzip")
         removeHeader(contentEncodingName());

      std::string body;
      boost::iostreams::copy(stream, boost::iostreams::back_inserter(body), bufferSize);
      if (padding && body.size() < kPaddedBodySize)
         body.resize(kPaddedBodySize, ' ');
      body_ = std::move(body);
      setContentLength(body_.size());
      return Success();
   }
   catch (const std::exception& e)
   {
      return bodyReadError(e, ERROR_LOCATION);
   }
}

Error Response::setBody(const FilePath& file, const NullOutputFilter& filter, std::streamsize bufferSize, bool padding)
{
   std::shared_ptr<std::istream> stream;
   const Error error = file.openForRead(stream);
   if (error)
      return error;
   return setBody(*stream, filter, bufferSize, padding);
}

Error Response::setBody(const std::string& content)
{
   // What the stream form does over a string stream, which cannot fail to read: the
   // text is taken whole rather than through a stream and a chain buffer.
   try
   {
      if (contentEncoding() == "gzip")
         removeHeader(contentEncodingName());
      body_ = content;
      setContentLength(body_.size());
      return Success();
   }
   catch (const std::exception& e)
   {
      return bodyReadError(e, ERROR_LOCATION);
   }
}

Error Response::setBodyWithETag(const std::string& content, const Request& request, const NullOutputFilter& filter)
{
   const std::string tag = entityTag(content);
   setHeader("ETag", tag);
   if (request.headerValue("If-None-Match") == tag)
   {
      removeHeader("Content-Type");
      setStatusCode(304);
      return Success();
   }
   std::istringstream stream(content);
   return setBody(stream, filter, kBodyBufferSize, false);
}

void Response::setBodyWithoutEncoding(const std::string& content)
{
   removeHeader(contentEncodingName());
   body_ = content;
   setContentLength(body_.size());
}

void Response::setCompatibilityModeHeader(const Request& request)
{
   const std::string userAgent = request.headerValue("User-Agent");
   if (userAgent.find("chromeframe") != std::string::npos)
      setHeader("X-UA-Compatible", "chrome=1");
   else if (userAgent.find("Trident") != std::string::npos)
      setHeader("X-UA-Compatible", "IE=edge");
}

void Response::setContentEncoding(const std::string& encoding)
{
   setHeader(contentEncodingName(), encoding);
}

void Response::setFileBody(const FilePath& file, const Request& request, const NullOutputFilter& filter)
{
   if (!file.exists())
   {
      respondNotFound(request);
      return;
   }

   setContentType(file.getMimeContentType("text/plain"));
   if (request.acceptsEncoding("gzip"))
      setContentEncoding("gzip");
   const Error error = setBody(file, filter, kBodyBufferSize, needsHtmlPadding(request, file));
   if (error)
      respondWithError(500, error.getMessage());
}

void Response::setFileIfModified(const FilePath& file, const Request& request, const NullOutputFilter& filter)
{
   if (!file.exists())
   {
      respondNotFound(request);
      return;
   }

   // A time outside ptime's years (NTFS reaches 30828) cannot be written: such a file
   // goes out whole, without "Last-Modified".
   const boost::posix_time::ptime lastModified =
      time_utils::fromEpochSeconds(static_cast<double>(file.getLastWriteTime()));
   if (lastModified.is_special())
   {
      setFileBody(file, request, filter);
      return;
   }
   setHeader("Last-Modified", util::formatHttpDate(lastModified));
   if (request.ifModifiedSince() == lastModified)
   {
      removeHeader("Content-Type");
      setStatusCode(304);
      return;
   }
   setFileBody(file, request, filter);
}

Error Response::setFileWithETag(const FilePath& file, const Request& request)
{
   std::string content;
   const Error error = readStringFromFile(file, &content);
   if (error)
      return error;
   return setBodyWithETag(content, request, NullOutputFilter());
}

void Response::setFramingPolicy(const std::string& option)
{
   if (option.empty() || option == "none")
   {
      setHeader("X-Frame-Options", "DENY");
   }
   else if (option == "same")
   {
      setHeader("X-Frame-Options", "SAMEORIGIN");
   }
   else if (option != "any")
   {
      setHeader("Content-Security-Policy", "frame-ancestors " + option);
      setHeader("X-Frame-Options", "ALLOW-FROM " + option);
   }
}

void Response::setLongCacheHeaders(bool publicCache)
{
   setHeader("Expires", httpDateFromNow(kLongCacheSeconds));
   setHeader("Cache-Control", std::string(publicCache ? "public" : "private") + ", max-age=" +
                                 safe_convert::numberToString(kLongCacheSeconds, true));
}

void Response::setPrivateLongCacheHeaders()
{
   setLongCacheHeaders(false);
}

void Response::setPublicLongCacheHeaders()
{
   setLongCacheHeaders(true);
}

namespace {

// Offsets of the first and last byte of a part, both within the content.
struct ByteRange
{
   std::uint64_t first;
   std::uint64_t last;
};

// Digits beyond the type's range saturate: such an offset lies past any content.
std::uint64_t rangeOffset(const std::string& digits)
{
   return safe_convert::stringTo<std::uint64_t>(digits, std::numeric_limits<std::uint64_t>::max());
}

// False when the value is not one range of bytes or selects no byte of the content.
bool selectRange(const std::string& rangeValue, std::uint64_t size, ByteRange* range)
{
   // Never destroyed, so that a static object may serve ranges after main too.
   static const boost::regex& byteRange = *new boost::regex("bytes=(\\d*)\\-(\\d*)");
   boost::smatch match;
   if (!regex_utils::match(rangeValue, match, byteRange) || size == 0)
      return false;
   const std::string first = match[1];
   const std::string last = match[2];

   if (first.empty())
   {
      // The last N bytes; a suffix longer than the content selects all of it.
      if (last.empty())
         return false;
      const std::uint64_t suffix = rangeOffset(last);
      if (suffix == 0)
         return false;
      range->first = size - std::min(suffix, size);
      range->last = size - 1;
      return true;
   }

   range->first = rangeOffset(first);
   range->last = last.empty() ? size - 1 : rangeOffset(last);
   if (range->first >= size || range->last < range->first)
      return false;
   range->last = std::min(range->last, size - 1);
   return true;
}

} // namespace

void Response::setRangedBody(const std::string& content, const std::string& contentType, const Request& request)
{
   setContentType(contentType);

   ByteRange range;
   if (!selectRange(request.headerValue("Range"), content.size(), &range))
   {
      // No body is set, but the reply still needs a length: without one it is read up
      // to the end of the connection, which a client that keeps it open waits for in vain.
      setContentLength(body_.size());
      setStatusCode(416);
      addHeader("Content-Range", boost::str(boost::format("bytes */%1%", std::locale::classic()) % content.size()));
      return;
   }

   setStatusCode(206);
   addHeader("Accept-Ranges", "bytes");
   addHeader("Content-Range", boost::str(boost::format("bytes %1%-%2%/%3%", std::locale::classic()) % range.first % range.last %
                                        content.size()));
   if (request.acceptsEncoding("gzip"))
      setContentEncoding("gzip");
   // Only running out of memory can fail a body set from a string.
   if (range.first == 0 && range.last == content.size() - 1)
      ignoreError(setBody(content));
   else
      ignoreError(setBody(content.substr(range.first, range.last - range.first + 1)));
}

void Response::setRangedFile(const FilePath& file, const Request& request)
{
   std::string content;
   const Error error = readStringFromFile(file, &content);
   if (error)
      respondWithError(error);
   else
      setRangedBody(content, file.getMimeContentType("text/plain"), request);
}

void Response::setRevalidateCacheHeaders()
{
   setHeader("Expires", httpDateFromNow(0));
   setHeader("Cache-Control", "public, max-age=0, must-revalidate");
}

void Response::setStatusMessage(const std::string& statusMessage)
{
   statusMessage_ = lineText(statusMessage);
}

void Response::setUncachedHtml(const std::string& html, const Request& request)
{
   setContentType("text/html");
   disableCaching();
   if (request.acceptsEncoding("gzip"))
      setContentEncoding("gzip");
   ignoreError(setBody(html)); // only running out of memory fails a body set from a string
}

std::string Response::statusMessage() const
{
   return statusMessage_.empty() ? reasonPhrase(statusCode_) : statusMessage_;
}

void Response::streamFile(const FilePath& file, const Request& request, std::streamsize bufferSize)
{
   setContentType(file.getMimeContentType("application/octet-stream"));
   setHeader("Transfer-Encoding", "chunked");
   streamResponse_.reset(new FileStreamResponse(file, bufferSize, needsHtmlPadding(request, file)));
   const Error error = bufferSize < 1 ? bufferSizeError(bufferSize, ERROR_LOCATION) : streamResponse_->initialize();
   if (error)
   {
      respondWithError(500, error.getMessage());
      // The error page is framed by its "Content-Length"; a reply that also claimed a
      // chunked body could be read by no one.
      removeHeader("Transfer-Encoding");
   }
}

} // namespace velorin::core::http
