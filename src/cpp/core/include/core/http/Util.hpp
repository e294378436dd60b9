// Util.hpp: the HTTP layer's free functions over text: dates, URL encoding, query
// strings and form bodies, chunk framing and address checks.
//
//   util::formatHttpDate(time);                       // "Tue, 05 Mar 2019 14:07:09 GMT"
//   util::urlDecode("a+b%21");                        // "a b!"
//   util::parseQueryString("q=a+b&n=2", &fields);     // (q, "a b"), (n, "2")
//
// Nothing here keeps state, takes a lock or reports an error: malformed input gives
// an empty or unchanged result, never an exception.
#pragma once

#include <cstdint>
#include <string>

#include <boost/date_time/posix_time/posix_time_types.hpp>

#include <core/http/Fields.hpp>
// File serving was declared here before it had a header of its own; hosts that
// reach it through this header keep compiling.
#include <core/http/FileServing.hpp>

namespace velorin::core::http {

// Whether parsed field names and values are percent-decoded: the two decoding modes
// behave alike.
enum FieldDecode
{
   FieldDecodeNone = 0,
   FieldDecodeForm = 1,
   FieldDecodeQueryString = 2
};

namespace util {

// ---- HTTP dates ----

// "%a, %d %b %Y %H:%M:%S GMT".
extern const char* const kHttpDateFormat;

// Through one facet built on first use, never destroyed and then only read, so any
// thread may call it, as may a static object while it is built or destroyed. English
// names and the classic locale, whatever the host's global locale.
std::string formatHttpDate(const boost::posix_time::ptime& time);

// The fraction of a second of a microsecond tick count as six digits; "" when it is
// zero and omitWhenZero is set.
std::string formatMicroseconds(std::int64_t ticks, bool omitWhenZero);

// True when an HTTP date stands anywhere in the text.
bool isValidHttpDate(const std::string& text);

// The time read with a Boost.Date_Time input format, or not-a-date-time. Names are
// read in English and numbers in the classic locale.
boost::posix_time::ptime parseDate(const std::string& text, const std::string& format);

// "Tue, 05 Mar 2019 14:07:09 GMT", names in any letter case, white space allowed
// around it; not-a-date-time for any other text and for an impossible date or time
// (an hour above 23, a minute above 59, a second above 60: the 60th is a leap second).
boost::posix_time::ptime parseHttpDate(const std::string& text);

// "2019-03-05T14:07:09", a fraction of a second (".25") allowed, then no zone or "Z"
// for UTC, or an offset ("+05:00", "+0500", "+05", or with '-') that is taken off to
// give UTC; not-a-date-time for any other text and for impossible fields, as above.
boost::posix_time::ptime parseIsoDate(const std::string& text);

// ---- URL encoding, query strings and form bodies ----

// The URI, then "&" or "?" (as the URI has a query or not), then the encoded query.
std::string addQueryParams(const std::string& uri, const std::string& queryParams);

// name=value pairs joined by '&', names and values encoded with spaces as '+'.
void buildQueryString(const Fields& fields, std::string* queryString);

// The value of the first field of exactly that name, "" when there is none.
std::string fieldValue(const Fields& fields, const std::string& name);

// Splits at every field delimiter, then each field at every value delimiter (each a
// set of characters), dropping empty pieces: the first piece is the name, the second
// the value, further pieces are ignored; nameless fields are skipped. Decoding comes
// after splitting, so an encoded delimiter stays inside its name or value.
void parseFields(const std::string& text,
                 const char* fieldDelimiters,
                 const char* valueDelimiters,
                 Fields* fields,
                 FieldDecode decode);

// A "Cookie" header value: fields split at ';', ',' and ' ', each cut at its first '='
// (or ' ') into the name and the value; the value keeps every further '=' ("tok=abc=="
// gives (tok, "abc==")). Nothing is decoded; nameless fields are skipped.
void parseCookieHeader(const std::string& text, Fields* fields);

// A URL-encoded form body: '&' and '=', decoded.
void parseForm(const std::string& body, Fields* fields);

// A "multipart/form-data" body: text parts become fields (their content trimmed),
// parts with a file name become files (the first file of a field name stays). The
// boundary is the text after "boundary=" to the end of the content type, quotes and
// all; parts without a "form-data" disposition, and an unterminated last part, are
// skipped.
void parseMultipartForm(const std::string& contentType, const std::string& body, Fields* fields, Files* files);

// '&' and '=', decoded.
void parseQueryString(const std::string& queryString, Fields* fields);

// '+' becomes a space and %XY the byte XY. A malformed escape (fewer than two
// characters left, or no hexadecimal digit where a stream would read one) returns
// the whole text unchanged.
std::string urlDecode(const std::string& text);

// Letters, digits and !'()*-._~ stay; a space becomes '+' when spaceAsPlus is set;
// every other byte becomes %XY in upper-case hexadecimal.
std::string urlEncode(const std::string& text, bool spaceAsPlus);

// ---- Chunked transfer ----

// The length in lower-case hexadecimal, CR LF, the data, CR LF.
std::string chunkFrame(const std::string& data);

// ---- Addresses ----

// A TCP name lookup of the host gives an address. Blocks as long as the system's
// lookup takes; each call has its own context, so threads may call it at once.
bool hostResolves(const std::string& host);

// A literal IPv6 (a scope suffix allowed) or IPv4 address; host names are not.
bool isIpAddress(const std::string& host);

} // namespace util
} // namespace velorin::core::http
