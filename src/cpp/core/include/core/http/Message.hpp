// Message.hpp: the HTTP message that requests and responses share: a version, an
// ordered header list and a body, written out as one gather list of buffers.
//
//   message.setHeader("content-type", "text/html");  // replaces "Content-Type" in place
//   message.headerValue("CONTENT-TYPE");              // "text/html"
//
// Header names compare without regard to case. Every control byte but HTAB (CR, LF, NUL
// and the other C0 bytes, and DEL) in a name or value becomes a space when the header
// is stored, so no stored text can end a header line early or smuggle bytes that
// readers treat apart.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <locale>
#include <ostream>
#include <string>
#include <vector>

#include <boost/asio/buffer.hpp>
#include <boost/noncopyable.hpp>

namespace velorin::core::http {

struct Header
{
   std::string name;
   std::string value;
};

// In the order of addition, which is the order of writing; duplicates allowed.
typedef std::vector<Header> Headers;

// Tells whether a header's name equals the held name, case aside (the global locale's
// case folding).
class HeaderNamePredicate
{
public:
   explicit HeaderNamePredicate(const std::string& name) : name_(name) {}

   // Case folding keeps the length, so names of other lengths are passed over, and
   // names of the same bytes need no folding, before the locale is consulted. Inline:
   // a lookup calls it once per header.
   bool operator()(const Header& header) const
   {
      return header.name.size() == name_.size() && (header.name == name_ || equalsFolded(header.name));
   }

private:
   bool equalsFolded(const std::string& name) const;

   std::string name_;
};

bool containsHeader(const Headers& headers, const std::string& name);

Headers::const_iterator findHeader(const Headers& headers, const std::string& name);

// The value of the first header of that name, "" when there is none.
std::string headerValue(const Headers& headers, const std::string& name);

// Splits the line at its first colon-space pair and trims both sides (a trailing CR
// goes with the white space). False, with the header untouched, when the line has no
// such pair.
bool parseHeader(const std::string& line, Header* header);

// Reads lines up to a line of a single CR that follows a non-blank line, or to the end
// of the stream; leading CR lines are skipped and lines that hold no header are passed
// over. An empty line (LF alone) does not end the block.
void parseHeaders(std::istream& is, Headers* headers);

class Message : boost::noncopyable
{
public:
   Message();
   virtual ~Message();

   const std::string& body() const { return body_; }
   const Headers& headers() const { return headers_; }
   int httpVersionMajor() const { return httpVersionMajor_; }
   int httpVersionMinor() const { return httpVersionMinor_; }

   // Appends, even when a header of that name exists.
   void addHeader(const std::string& name, const std::string& value);
   void addHeader(const Header& header);
   void addHeader(const Headers& headers);

   bool containsHeader(const std::string& name) const;

   // 0 when "Content-Length" is absent, empty or not a number.
   std::int64_t contentLength() const;

   std::string contentType() const;

   // The first header of that name, "" when there is none.
   std::string headerValue(const std::string& name) const;

   // Removes every header of that name; the others keep their order.
   void removeHeader(const std::string& name);

   // Every header of that name takes the given name and value; adds nothing.
   void replaceHeader(const std::string& name, const std::string& value);

   // Version 1.1, no headers, no body, and the subclass's own members cleared.
   void reset();

   void setContentLength(std::uint64_t length);

   void setContentType(const std::string& type);

   // The first header of that name takes the given name and value, in its place;
   // later duplicates stay. Appends when there is none.
   void setHeader(const std::string& name, const std::string& value);
   void setHeader(const Header& header);
   void setHeader(const std::string& name, int value);
   void setHeader(const std::string& name, std::uint64_t value);

   // Replaces the whole list; each header is stored as addHeader stores it. Taken by
   // value, so that a list the caller no longer needs (a parsed one) moves in.
   void setHeaders(Headers headers);

   // A "name: value" line; a line that holds no header is ignored.
   void setHeaderLine(const std::string& line);

   void setHttpVersion(int major, int minor);

   // The start line and the headers, each header as name, ": ", value and CR LF, then
   // the blank line. The override header is written last and replaces the headers of
   // exactly its name (case counts); an empty override name leaves nameless headers out.
   // The buffers point into this message and stay valid while it lives unchanged.
   std::vector<boost::asio::const_buffer> headerBuffers(const Header& overrideHeader = Header());

   // The header buffers followed by the body.
   std::vector<boost::asio::const_buffer> toBuffers(const Header& overrideHeader = Header());

protected:
   // The text with every control byte but HTAB, and DEL, replaced by a space: the form
   // in which a message stores what it writes on a line, headers and start line alike.
   static std::string lineText(std::string text);

   // Appends the start line without its line end.
   virtual void appendFirstLineBuffers(std::vector<boost::asio::const_buffer>* buffers) = 0;

   // Clears the subclass's own members.
   virtual void resetMembers() = 0;

   // "HTTP/major.minor", kept in the message while its buffer is out.
   void appendHttpVersionBuffer(std::vector<boost::asio::const_buffer>* buffers);
   static void appendSpaceBuffer(std::vector<boost::asio::const_buffer>* buffers);

   // Removes every header the predicate holds for; the others keep their order.
   void removeHeaders(const std::function<bool(const Header&)>& predicate);

   std::string body_;

private:
   int httpVersionMajor_;
   int httpVersionMinor_;
   Headers headers_;
   Header overrideHeader_;
   std::string httpVersion_;
};

// Each header as name, ": ", value and a line end, a blank line, then the body and a
// line end.
std::ostream& operator<<(std::ostream& os, const Message& message);

} // namespace velorin::core::http
