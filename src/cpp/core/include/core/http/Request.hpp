// Request.hpp: the HTTP request: a message with a method and a request URI, and read
// access to its query, cookies, form fields and uploaded files.
//
//   request.queryParamValue("q");     // "a b!" for the URI /search?q=a+b%21
//   request.cookieValue("session");   // from every "Cookie" header
//
// The query, the cookies and the form body are each parsed once, on first use, from
// the URI, headers and body as they are then; later changes are seen after reset().
// A request is used by one thread at a time.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include <boost/date_time/posix_time/posix_time_types.hpp>

#include <core/http/Fields.hpp>
#include <core/http/Message.hpp>

namespace velorin::core::http {

class Request : public Message
{
public:
   Request();
   ~Request() override;

   // Both setters store the text as the message stores a header value (control bytes
   // but HTAB become spaces), so that neither can split the request line.
   const std::string& method() const { return method_; }
   void setMethod(const std::string& method);

   // The request target as received: path and query, still percent-encoded.
   const std::string& uri() const { return uri_; }
   void setUri(const std::string& uri);

   // "X-Forwarded-Proto" (or "http"), "://", "Host" and the URI.
   std::string absoluteUri() const;

   // Whether the "Accept" value holds the type, case counting.
   bool acceptsContentType(const std::string& type) const;

   // Whether one token of "Accept-Encoding", split at commas and spaces, is the encoding.
   bool acceptsEncoding(const std::string& encoding) const;

   // Adds the cookie to the parsed ones and appends it to the first "Cookie" header,
   // whose bytes the client sent stay as they are; sets the header when there is none.
   void addCookie(const std::string& name, const std::string& value);

   // The first cookie of exactly that name, "" when there is none. Cookie values end at
   // the first space, comma, semicolon or '='.
   std::string cookieValue(const std::string& name) const;

   // Writes the caption and the URI to standard error, one line at a time among threads.
   void debugPrintUri(const std::string& caption) const;

   // A body of exactly "application/x-www-form-urlencoded" or any "multipart/form-data".
   const Fields& formFields() const;
   std::string formFieldValue(const std::string& name) const;

   // The value of the first pair of the header's first value split at ";, " and "= ",
   // such as "abc" for "id=abc; other=1"; "" when there is none.
   std::string headerFieldValue(const std::string& headerName) const;

   // Not-a-date-time when "If-Modified-Since" is absent or unreadable.
   boost::posix_time::ptime ifModifiedSince() const;

   // The URI up to its first '?', not decoded.
   std::string path() const;

   const Fields& queryParams() const;
   std::string queryParamValue(const std::string& name) const;

   // The URI after its first '?', not decoded.
   std::string queryString() const;

   // Sets "Content-Length" to the body's length too. Taken by value, so that a body
   // the caller no longer needs moves in without a copy.
   void setBody(std::string body);

   // The file uploaded under exactly that field name, or a file of empty strings.
   const File& uploadedFile(const std::string& name) const;

   std::string userAgent() const;

protected:
   void appendFirstLineBuffers(std::vector<boost::asio::const_buffer>* buffers) override;
   void resetMembers() override;

private:
   void parseCookies() const;
   void parseForm() const;

   std::string method_;
   std::string uri_;

   // Parsed lazily by read accessors.
   mutable bool cookiesParsed_;
   mutable Fields cookies_;
   mutable bool formParsed_;
   mutable Fields formFields_;
   mutable Files files_;
   const File emptyFile_;
   mutable bool queryParsed_;
   mutable Fields queryParams_;
};

// The request line, then the message's text form.
std::ostream& operator<<(std::ostream& os, const Request& request);

} // namespace velorin::core::http
