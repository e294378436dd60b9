// Message.cpp: header storage, header-line parsing and the message's gather list.
#include <core/http/Message.hpp>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <locale>
#include <utility>

#include <shared_core/SafeConvert.hpp>

#include "DecimalText.hpp"

namespace velorin::core::http {
namespace {

const char kLineEnd[] = "\r\n";
const char kNameSeparator[] = ": ";
const char kSpace[] = " ";

// A CR or LF would end the line early and let the text after it pass for a header or
// a body of its own; NUL and the other control bytes are read apart by different
// readers (some cut the text at a NUL), so none of them reaches the wire.
bool isControlByte(char c)
{
   return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == '\x7f';
}

// Whether the eight bytes may hold a control byte: a byte below 0x20 or DEL sets its
// high bit in the test, so none is missed; a tab passes the test too and is told apart
// byte by byte afterwards.
bool wordMayHoldControlByte(std::uint64_t word)
{
   constexpr std::uint64_t kOnes = 0x0101010101010101u;
   constexpr std::uint64_t kHighBits = 0x8080808080808080u;
   const std::uint64_t delBytes = word ^ (kOnes * 0x7f);
   return ((((word - kOnes * 0x20) & ~word) | ((delBytes - kOnes) & ~delBytes)) & kHighBits) != 0;
}

// Whether the text may hold a control byte, eight bytes to a step. Header texts are
// short, so no byte is tested alone: the last word overlaps the one before it, and a
// text shorter than a word is filled out with bytes that are no control bytes.
bool mayHoldControlByte(const std::string& text)
{
   const char* const data = text.data();
   const std::size_t size = text.size();
   std::uint64_t word = 0x4141414141414141u;
   if (size < sizeof(word))
   {
      std::memcpy(&word, data, size);
      return wordMayHoldControlByte(word);
   }
   for (std::size_t i = 0; i + sizeof(word) < size; i += sizeof(word))
   {
      std::memcpy(&word, data + i, sizeof(word));
      if (wordMayHoldControlByte(word))
         return true;
   }
   std::memcpy(&word, data + size - sizeof(word), sizeof(word));
   return wordMayHoldControlByte(word);
}

void replaceControlBytes(std::string* text)
{
   // Stored text seldom holds a control byte, so it is looked for before anything is
   // written.
   if (mayHoldControlByte(*text))
      std::replace_if(text->begin(), text->end(), isControlByte, ' ');
}

std::string withoutControlBytes(std::string text)
{
   replaceControlBytes(&text);
   return text;
}

Header storedHeader(const std::string& name, const std::string& value)
{
   return Header{withoutControlBytes(name), withoutControlBytes(value)};
}

// Two names of the same length, not the same bytes, compared under the global locale's
// case folding, with one facet look-up for the whole name: each look-up is a dynamic
// cast.
bool equalsFolded(const std::string& name, const std::string& other)
{
   const std::locale locale;
   const std::ctype<char>& ctype = std::use_facet<std::ctype<char>>(locale);
   for (std::size_t i = 0; i < name.size(); ++i)
   {
      if (name[i] != other[i] && ctype.toupper(name[i]) != ctype.toupper(other[i]))
         return false;
   }
   return true;
}

// The test of HeaderNamePredicate over a name it refers to, for the look-ups here,
// which need no copy of the name.
class NameMatches
{
public:
   explicit NameMatches(const std::string& name) : name_(name) {}

   bool operator()(const Header& header) const
   {
      return header.name.size() == name_.size() && (header.name == name_ || equalsFolded(header.name, name_));
   }

private:
   const std::string& name_;
};

void appendHeaderBuffers(const Header& header, std::vector<boost::asio::const_buffer>* buffers)
{
   // Added at once: one push at a time makes each wait for the list's end the push
   // before it stored.
   const boost::asio::const_buffer line[] = {boost::asio::buffer(header.name),
                                             boost::asio::buffer(kNameSeparator, sizeof(kNameSeparator) - 1),
                                             boost::asio::buffer(header.value),
                                             boost::asio::buffer(kLineEnd, sizeof(kLineEnd) - 1)};
   buffers->insert(buffers->end(), std::begin(line), std::end(line));
}

} // namespace

bool containsHeader(const Headers& headers, const std::string& name)
{
   return findHeader(headers, name) != headers.end();
}

Headers::const_iterator findHeader(const Headers& headers, const std::string& name)
{
   return std::find_if(headers.begin(), headers.end(), NameMatches(name));
}

bool HeaderNamePredicate::equalsFolded(const std::string& name) const
{
   return http::equalsFolded(name, name_);
}

std::string headerValue(const Headers& headers, const std::string& name)
{
   const Headers::const_iterator header = findHeader(headers, name);
   return header == headers.end() ? std::string() : header->value;
}

std::ostream& operator<<(std::ostream& os, const Message& message)
{
   for (const Header& header : message.headers())
      os << header.name << kNameSeparator << header.value << std::endl;
   os << std::endl;
   os << message.body() << std::endl;
   return os;
}

namespace {

// Stores the text from first to last without the locale's white space at either end,
// in place, with no string in between.
void assignTrimmed(const char* first, const char* last, const std::ctype<char>& ctype, std::string* text)
{
   while (first != last && ctype.is(std::ctype_base::space, *first))
      ++first;
   while (last != first && ctype.is(std::ctype_base::space, *(last - 1)))
      --last;
   text->assign(first, last);
}

bool parseHeaderWith(const std::string& line, const std::ctype<char>& ctype, Header* header)
{
   const std::size_t separator = line.find(kNameSeparator);
   if (line.size() < 2 || separator == std::string::npos)
      return false;

   const char* const text = line.data();
   assignTrimmed(text, text + separator, ctype, &header->name);
   assignTrimmed(text + separator + 2, text + line.size(), ctype, &header->value);
   return true;
}

} // namespace

bool parseHeader(const std::string& line, Header* header)
{
   // Looked up once: the locale's facet is found by a dynamic cast.
   const std::locale locale;
   return parseHeaderWith(line, std::use_facet<std::ctype<char>>(locale), header);
}

void parseHeaders(std::istream& is, Headers* headers)
{
   // One look-up for the whole block, and room for a browser's headers at once.
   const std::locale locale;
   const std::ctype<char>& ctype = std::use_facet<std::ctype<char>>(locale);
   headers->reserve(headers->size() + 16);

   bool readLine = false;
   // Long enough for a browser's longest line, so that the line grows once at most.
   std::string line;
   line.reserve(256);
   while (std::getline(is, line))
   {
      if (line.size() == 1 && line[0] == '\r')
      {
         if (readLine)
            break;
         continue;
      }
      readLine = true;

      Header header;
      if (parseHeaderWith(line, ctype, &header))
         headers->push_back(std::move(header));
   }
}

Message::Message() : httpVersionMajor_(1), httpVersionMinor_(1) {}

Message::~Message() = default;

void Message::addHeader(const std::string& name, const std::string& value)
{
   // Room for a reply's usual headers at once.
   if (headers_.capacity() == 0)
      headers_.reserve(8);
   headers_.push_back(storedHeader(name, value));
}

void Message::addHeader(const Header& header)
{
   addHeader(header.name, header.value);
}

void Message::addHeader(const Headers& headers)
{
   headers_.reserve(headers_.size() + headers.size());
   for (const Header& header : headers)
      addHeader(header);
}

void Message::appendHttpVersionBuffer(std::vector<boost::asio::const_buffer>* buffers)
{
   httpVersion_ = "HTTP/";
   httpVersion_ += decimalText(httpVersionMajor_);
   httpVersion_ += '.';
   httpVersion_ += decimalText(httpVersionMinor_);
   buffers->push_back(boost::asio::buffer(httpVersion_));
}

void Message::appendSpaceBuffer(std::vector<boost::asio::const_buffer>* buffers)
{
   buffers->push_back(boost::asio::buffer(kSpace, sizeof(kSpace) - 1));
}

bool Message::containsHeader(const std::string& name) const
{
   return http::containsHeader(headers_, name);
}

std::int64_t Message::contentLength() const
{
   const std::string value = headerValue("Content-Length");
   if (value.empty())
      return 0;
   return safe_convert::stringTo<std::int64_t>(value, 0);
}

std::string Message::contentType() const
{
   return headerValue("Content-Type");
}

std::vector<boost::asio::const_buffer> Message::headerBuffers(const Header& overrideHeader)
{
   std::vector<boost::asio::const_buffer> buffers;
   buffers.reserve(headers_.size() * 4 + 12);
   appendFirstLineBuffers(&buffers);
   buffers.push_back(boost::asio::buffer(kLineEnd, sizeof(kLineEnd) - 1));

   overrideHeader_ = storedHeader(overrideHeader.name, overrideHeader.value);
   for (const Header& header : headers_)
   {
      if (header.name != overrideHeader_.name)
         appendHeaderBuffers(header, &buffers);
   }
   if (!overrideHeader_.name.empty())
      appendHeaderBuffers(overrideHeader_, &buffers);

   buffers.push_back(boost::asio::buffer(kLineEnd, sizeof(kLineEnd) - 1));
   return buffers;
}

std::string Message::headerValue(const std::string& name) const
{
   return http::headerValue(headers_, name);
}

std::string Message::lineText(std::string text)
{
   return withoutControlBytes(std::move(text));
}

void Message::removeHeader(const std::string& name)
{
   headers_.erase(std::remove_if(headers_.begin(), headers_.end(), NameMatches(name)), headers_.end());
}

void Message::removeHeaders(const std::function<bool(const Header&)>& predicate)
{
   headers_.erase(std::remove_if(headers_.begin(), headers_.end(), predicate), headers_.end());
}

void Message::replaceHeader(const std::string& name, const std::string& value)
{
   const NameMatches matches(name);
   for (Header& header : headers_)
   {
      if (matches(header))
         header = storedHeader(name, value);
   }
}

void Message::reset()
{
   httpVersionMajor_ = 1;
   httpVersionMinor_ = 1;
   httpVersion_.clear();
   headers_.clear();
   body_.clear();
   resetMembers();
}

void Message::setContentLength(std::uint64_t length)
{
   setHeader("Content-Length", length);
}

void Message::setContentType(const std::string& type)
{
   setHeader("Content-Type", type);
}

void Message::setHeader(const std::string& name, const std::string& value)
{
   const Headers::iterator header = std::find_if(headers_.begin(), headers_.end(), NameMatches(name));
   if (header == headers_.end())
      addHeader(name, value);
   else
      *header = storedHeader(name, value);
}

void Message::setHeader(const Header& header)
{
   setHeader(header.name, header.value);
}

void Message::setHeader(const std::string& name, int value)
{
   setHeader(name, decimalText(value));
}

void Message::setHeader(const std::string& name, std::uint64_t value)
{
   setHeader(name, decimalText(value));
}

void Message::setHeaderLine(const std::string& line)
{
   Header header;
   if (parseHeader(line, &header))
      setHeader(header);
}

void Message::setHeaders(Headers headers)
{
   // The argument is a list of its own, so a message may be given its own header list.
   for (Header& header : headers)
   {
      replaceControlBytes(&header.name);
      replaceControlBytes(&header.value);
   }
   headers_.swap(headers);
}

void Message::setHttpVersion(int major, int minor)
{
   httpVersionMajor_ = major;
   httpVersionMinor_ = minor;
}

std::vector<boost::asio::const_buffer> Message::toBuffers(const Header& overrideHeader)
{
   std::vector<boost::asio::const_buffer> buffers = headerBuffers(overrideHeader);
   buffers.push_back(boost::asio::buffer(body_));
   return buffers;
}

} // namespace velorin::core::http
