// Util.cpp: HTTP dates, percent-encoding, field lists, multipart form bodies, chunk
// framing and address checks.
#include <core/http/Util.hpp>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <iterator>
#include <locale>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

#include <boost/algorithm/string/trim.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/date_time/posix_time/posix_time.hpp>
#include <boost/iostreams/device/array.hpp>
#include <boost/iostreams/stream.hpp>
#include <boost/regex.hpp>

#include <core/RegexUtils.hpp>
#include <core/http/Message.hpp>

namespace velorin::core::http::util {
namespace {

// Membership of each byte value, looked up once per character of the text.
class DelimiterSet
{
public:
   explicit DelimiterSet(const char* delimiters) : single_(std::strlen(delimiters) == 1 ? *delimiters : '\0')
   {
      for (; *delimiters != '\0'; ++delimiters)
         members_[static_cast<unsigned char>(*delimiters)] = true;
   }

   bool contains(char c) const { return members_[static_cast<unsigned char>(c)]; }

   // The first delimiter at or after from, or the end. A set of one character, such as
   // the '&' of a form, is searched for with the library's memchr.
   std::size_t find(std::string_view text, std::size_t from) const
   {
      if (single_ != '\0')
         return std::min(text.find(single_, from), text.size());
      while (from < text.size() && !contains(text[from]))
         ++from;
      return from;
   }

private:
   std::array<bool, 256> members_{};
   char single_;
};

// The next run of characters between delimiters at or after position, which moves to
// its end; empty when none is left.
std::string_view nextPiece(std::string_view text, const DelimiterSet& delimiters, std::size_t* position)
{
   std::size_t begin = *position;
   while (begin < text.size() && delimiters.contains(text[begin]))
      ++begin;
   const std::size_t end = delimiters.find(text, begin);
   *position = end;
   return text.substr(begin, end - begin);
}

int hexDigitValue(char c)
{
   if (c >= '0' && c <= '9')
      return c - '0';
   if (c >= 'a' && c <= 'f')
      return c - 'a' + 10;
   if (c >= 'A' && c <= 'F')
      return c - 'A' + 10;
   return -1;
}

// The two characters read as a stream reads a hexadecimal integer: white space
// skipped, a sign taken, and the reading stopped at the first character that is not a
// digit. Two digits, the usual case, are read here; the rest goes to the stream.
bool readEscape(char first, char second, int* value)
{
   const int high = hexDigitValue(first);
   const int low = hexDigitValue(second);
   if (high >= 0 && low >= 0)
   {
      *value = high * 16 + low;
      return true;
   }

   std::istringstream stream(std::string{first, second});
   stream >> std::hex >> *value;
   return !stream.fail();
}

// Decodes from a view, so that a piece of a field list needs no string of its own first.
std::string decoded(std::string_view text)
{
   // Decoding never lengthens the text.
   std::string result(text.size(), '\0');
   std::size_t length = 0;
   for (std::size_t i = 0; i < text.size(); ++i)
   {
      const char c = text[i];
      if (c == '+')
      {
         result[length++] = ' ';
      }
      else if (c != '%')
      {
         result[length++] = c;
      }
      else
      {
         int value = 0;
         if (text.size() - i < 3 || !readEscape(text[i + 1], text[i + 2], &value))
            return std::string(text);
         result[length++] = static_cast<char>(static_cast<unsigned char>(value & 0xFF));
         i += 2;
      }
   }
   result.resize(length);
   return result;
}

} // namespace

const char* const kHttpDateFormat = "%a, %d %b %Y %H:%M:%S GMT";

std::string addQueryParams(const std::string& uri, const std::string& queryParams)
{
   return uri + (uri.find('?') == std::string::npos ? "?" : "&") + queryParams;
}

void buildQueryString(const Fields& fields, std::string* queryString)
{
   queryString->clear();
   for (const auto& field : fields)
   {
      *queryString += urlEncode(field.first, true);
      *queryString += '=';
      *queryString += urlEncode(field.second, true);
      *queryString += '&';
   }
   if (!queryString->empty())
      queryString->pop_back();
}

std::string chunkFrame(const std::string& data)
{
   std::ostringstream frame;
   frame.imbue(std::locale::classic());
   frame << std::hex << data.size() << "\r\n" << data << "\r\n";
   return frame.str();
}

std::string fieldValue(const Fields& fields, const std::string& name)
{
   const auto field =
      std::find_if(fields.begin(), fields.end(), [&](const Fields::value_type& f) { return f.first == name; });
   return field == fields.end() ? std::string() : field->second;
}

namespace {

// English whatever the host's locale: HTTP dates are never translated.
const char* const kShortWeekdayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kShortMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kGmt[] = {"GMT"};
const char* const kLongWeekdayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kLongMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                       "July",    "August",   "September", "October", "November", "December"};

template <std::size_t N>
std::vector<std::string> nameList(const char* const (&names)[N])
{
   return std::vector<std::string>(std::begin(names), std::end(names));
}

// Built on first use and never destroyed, so that a host's static objects may write
// dates while they are built and after main has returned. It is only read once built,
// so the streams of many threads may hold it at once; its reference count of 1 keeps
// every locale from deleting it.
boost::posix_time::time_facet* httpDateFacet()
{
   static boost::posix_time::time_facet* const facet = [] {
      auto* built = new boost::posix_time::time_facet(kHttpDateFormat,
                                                      boost::posix_time::time_facet::period_formatter_type(),
                                                      boost::posix_time::time_facet::special_values_formatter_type(),
                                                      boost::posix_time::time_facet::date_gen_formatter_type(),
                                                      1);
      built->short_weekday_names(nameList(kShortWeekdayNames));
      built->short_month_names(nameList(kShortMonthNames));
      return built;
   }();
   return facet;
}

} // namespace

std::string formatHttpDate(const boost::posix_time::ptime& time)
{
   std::ostringstream stream;
   stream.imbue(std::locale(std::locale::classic(), httpDateFacet()));
   stream << time;
   return stream.str();
}

std::string formatMicroseconds(std::int64_t ticks, bool omitWhenZero)
{
   const std::int64_t fraction = std::llabs(ticks % 1000000);
   if (omitWhenZero && fraction == 0)
      return std::string();

   std::ostringstream stream;
   stream.imbue(std::locale::classic());
   stream << std::setw(6) << std::setfill('0') << fraction;
   return stream.str();
}

bool hostResolves(const std::string& host)
{
   boost::asio::io_context context;
   boost::asio::ip::tcp::resolver resolver(context);
   boost::system::error_code ec;
   const boost::asio::ip::tcp::resolver::results_type results =
      resolver.resolve(host, std::string(), boost::asio::ip::resolver_base::address_configured, ec);
   return !ec && !results.empty();
}

bool isIpAddress(const std::string& host)
{
   // Tries IPv6 first, then IPv4. Windows' parser also takes short IPv4 forms ("1.2.3")
   // and bracketed IPv6 ("[::1]"), which are no literal addresses: IPv4 must stand in
   // its own dotted form, IPv6 without brackets.
   boost::system::error_code ec;
   const boost::asio::ip::address address = boost::asio::ip::make_address(host, ec);
   if (ec)
      return false;
   if (address.is_v4())
      return address.to_string() == host;
   return host.find_first_of("[]") == std::string::npos;
}

bool isValidHttpDate(const std::string& text)
{
   // Never destroyed, like every expression here, so that it serves after main too.
   static const boost::regex& httpDate = *new boost::regex(
      "(Mon|Tue|Wed|Thu|Fri|Sat|Sun),\\s\\d{2}\\s(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)"
      "\\s\\d{4}\\s\\d{2}:\\d{2}:\\d{2}\\sGMT");
   return regex_utils::searchText(text, httpDate, false, true);
}

namespace {

// The fields of parseFields; with wholeValue, a value runs from after the delimiter
// that ends the name to the end of its field, further value delimiters included.
void appendFields(const std::string& text,
                  const char* fieldDelimiters,
                  const char* valueDelimiters,
                  bool wholeValue,
                  FieldDecode decode,
                  Fields* fields)
{
   const DelimiterSet fieldDelimiterSet(fieldDelimiters);
   const DelimiterSet valueDelimiterSet(valueDelimiters);
   std::size_t fieldPosition = 0;
   for (std::string_view field = nextPiece(text, fieldDelimiterSet, &fieldPosition); !field.empty();
        field = nextPiece(text, fieldDelimiterSet, &fieldPosition))
   {
      std::size_t valuePosition = 0;
      const std::string_view name = nextPiece(field, valueDelimiterSet, &valuePosition);
      const std::string_view value = wholeValue ? field.substr(std::min(valuePosition + 1, field.size()))
                                                : nextPiece(field, valueDelimiterSet, &valuePosition);
      if (name.empty())
         continue;
      if (decode == FieldDecodeNone)
         fields->emplace_back(name, value);
      else
         fields->emplace_back(decoded(name), decoded(value));
   }
}

} // namespace

void parseCookieHeader(const std::string& text, Fields* fields)
{
   // Base64 values end in '=', which must stay theirs.
   appendFields(text, ";, ", "= ", true, FieldDecodeNone, fields);
}

namespace {

// Boost adds a parsed time of day to its date unchecked, so a value past ptime's last
// day can come out of a reading; it could not be written.
bool isWithinPtimeYears(const boost::posix_time::ptime& time)
{
   return time >= boost::posix_time::ptime(boost::posix_time::min_date_time) &&
          time <= boost::posix_time::ptime(boost::posix_time::max_date_time);
}

// A reading facet gathers its names through a stream of the host's global locale;
// handed over ready, they stay English. Never destroyed, so that it serves after main.
const boost::posix_time::time_input_facet::format_date_parser_type& englishDateParser()
{
   static const auto* const parser = new boost::posix_time::time_input_facet::format_date_parser_type(
      "", nameList(kShortMonthNames), nameList(kLongMonthNames), nameList(kShortWeekdayNames),
      nameList(kLongWeekdayNames));
   return *parser;
}

} // namespace

boost::posix_time::ptime parseDate(const std::string& text, const std::string& format)
{
   // Declared before the stream, whose locale still refers to it while it ends.
   boost::posix_time::time_input_facet facet(format, englishDateParser(),
                                             boost::posix_time::time_input_facet::special_values_parser_type(),
                                             boost::posix_time::time_input_facet::period_parser_type(),
                                             boost::posix_time::time_input_facet::date_gen_parser_type(), 1);
   std::istringstream stream(text);
   stream.imbue(std::locale(std::locale::classic(), &facet));

   boost::posix_time::ptime time(boost::posix_time::not_a_date_time);
   stream >> time;
   if (stream.fail() || (!time.is_special() && !isWithinPtimeYears(time)))
      return boost::posix_time::ptime(boost::posix_time::not_a_date_time);
   return time;
}

void parseFields(const std::string& text,
                 const char* fieldDelimiters,
                 const char* valueDelimiters,
                 Fields* fields,
                 FieldDecode decode)
{
   appendFields(text, fieldDelimiters, valueDelimiters, false, decode, fields);
}

void parseForm(const std::string& body, Fields* fields)
{
   parseFields(body, "&", "=", fields, FieldDecodeForm);
}

namespace {

bool isAsciiSpace(char c)
{
   return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char asciiLower(char c)
{
   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The fields of a date text read in order, by byte values alone, so that no locale
// takes part; white space may stand before and after the date.
class DateText
{
public:
   explicit DateText(std::string_view text) : text_(text), position_(0)
   {
      while (position_ < text_.size() && isAsciiSpace(text_[position_]))
         ++position_;
   }

   bool atEnd()
   {
      while (position_ < text_.size() && isAsciiSpace(text_[position_]))
         ++position_;
      return position_ == text_.size();
   }

   bool literal(char c)
   {
      if (position_ >= text_.size() || text_[position_] != c)
         return false;
      ++position_;
      return true;
   }

   bool oneOf(std::string_view characters)
   {
      if (position_ >= text_.size() || characters.find(text_[position_]) == std::string_view::npos)
         return false;
      ++position_;
      return true;
   }

   // Exactly count decimal digits; nothing is taken when they are not there.
   bool number(std::size_t count, int* value)
   {
      if (text_.size() - position_ < count)
         return false;
      int read = 0;
      for (std::size_t i = position_; i < position_ + count; ++i)
      {
         if (text_[i] < '0' || text_[i] > '9')
            return false;
         read = read * 10 + (text_[i] - '0');
      }
      position_ += count;
      *value = read;
      return true;
   }

   // One of the names, in any letter case; its index.
   template <std::size_t N>
   bool name(const char* const (&names)[N], int* index)
   {
      for (std::size_t i = 0; i < N; ++i)
      {
         const std::string_view candidate(names[i]);
         if (text_.size() - position_ < candidate.size())
            continue;
         bool same = true;
         for (std::size_t j = 0; same && j < candidate.size(); ++j)
            same = asciiLower(text_[position_ + j]) == asciiLower(candidate[j]);
         if (same)
         {
            position_ += candidate.size();
            *index = static_cast<int>(i);
            return true;
         }
      }
      return false;
   }

   // "HH:MM:SS".
   bool clock(int* hour, int* minute, int* second)
   {
      return number(2, hour) && literal(':') && number(2, minute) && literal(':') && number(2, second);
   }

   // A '.' and at least one digit, read as microseconds; none is zero. Digits beyond
   // the sixth are dropped.
   bool fraction(long* microseconds)
   {
      *microseconds = 0;
      if (!literal('.'))
         return true;
      std::size_t digits = 0;
      for (; position_ < text_.size() && text_[position_] >= '0' && text_[position_] <= '9'; ++position_, ++digits)
      {
         if (digits < 6)
            *microseconds = *microseconds * 10 + (text_[position_] - '0');
      }
      for (std::size_t i = digits; i < 6; ++i)
         *microseconds *= 10;
      return digits > 0;
   }

private:
   std::string_view text_;
   std::size_t position_;
};

// The UTC time of the fields, or not-a-date-time when one is out of its range. A 60th
// second is a leap second and runs into the next minute; the offset is the local
// time's distance east of UTC.
boost::posix_time::ptime utcTime(int year,
                                 int month,
                                 int day,
                                 int hour,
                                 int minute,
                                 int second,
                                 long microseconds,
                                 int offsetMinutes)
{
   const boost::posix_time::ptime none(boost::posix_time::not_a_date_time);
   if (year < 1400 || year > 9999 || month < 1 || month > 12 || day < 1 ||
       day > boost::gregorian::gregorian_calendar::end_of_month_day(static_cast<unsigned short>(year),
                                                                     static_cast<unsigned short>(month)) ||
       hour > 23 || minute > 59 || second > 60)
      return none;
   const boost::posix_time::ptime time =
      boost::posix_time::ptime(boost::gregorian::date(static_cast<unsigned short>(year),
                                                      static_cast<unsigned short>(month),
                                                      static_cast<unsigned short>(day)),
                               boost::posix_time::hours(hour) + boost::posix_time::minutes(minute - offsetMinutes) +
                                  boost::posix_time::seconds(second) + boost::posix_time::microseconds(microseconds));
   return isWithinPtimeYears(time) ? time : none;
}

} // namespace

boost::posix_time::ptime parseHttpDate(const std::string& text)
{
   DateText date(text);
   int weekday = 0, day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0, zone = 0;
   if (!date.name(kShortWeekdayNames, &weekday) || !date.literal(',') || !date.literal(' ') || !date.number(2, &day) ||
       !date.literal(' ') || !date.name(kShortMonthNames, &month) || !date.literal(' ') || !date.number(4, &year) ||
       !date.literal(' ') || !date.clock(&hour, &minute, &second) || !date.literal(' ') ||
       !date.name(kGmt, &zone) || !date.atEnd())
      return boost::posix_time::ptime(boost::posix_time::not_a_date_time);
   return utcTime(year, month + 1, day, hour, minute, second, 0, 0);
}

boost::posix_time::ptime parseIsoDate(const std::string& text)
{
   const boost::posix_time::ptime none(boost::posix_time::not_a_date_time);
   DateText date(text);
   int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
   long microseconds = 0;
   if (!date.number(4, &year) || !date.literal('-') || !date.number(2, &month) || !date.literal('-') ||
       !date.number(2, &day) || !date.oneOf("Tt ") || !date.clock(&hour, &minute, &second) ||
       !date.fraction(&microseconds))
      return none;

   // No zone, or "Z", is UTC; an offset is "+HH", "+HHMM" or "+HH:MM", or with '-'.
   int offsetMinutes = 0;
   if (!date.oneOf("Zz"))
   {
      const bool east = date.literal('+');
      if (east || date.literal('-'))
      {
         int offsetHours = 0, minutes = 0;
         if (!date.number(2, &offsetHours))
            return none;
         const bool colon = date.literal(':');
         if (!date.number(2, &minutes) && colon)
            return none;
         if (offsetHours > 23 || minutes > 59)
            return none;
         offsetMinutes = (east ? 1 : -1) * (offsetHours * 60 + minutes);
      }
   }
   if (!date.atEnd())
      return none;
   return utcTime(year, month, day, hour, minute, second, microseconds, offsetMinutes);
}

namespace {

// "--" and the rest of the content type after "boundary=", trailing white space
// trimmed; empty without a boundary parameter.
std::string multipartBoundary(const std::string& contentType)
{
   const std::string parameter = "boundary=";
   const std::size_t position = contentType.find(parameter);
   if (position == std::string::npos)
      return std::string();
   return boost::algorithm::trim_copy("--" + contentType.substr(position + parameter.size()));
}

// The field name; the further parameters are read by readParameters, since an
// expression repeated over thousands of them would exhaust the engine.
const boost::regex& formDataDisposition()
{
   static const boost::regex& expression = *new boost::regex("form-data; name=\"([^\"]*)\"");
   return expression;
}

// The parameters after the name: each "; ", a name without ';', '=' or '"', '=' and
// a value, quoted (ending at its own closing quote) or bare (up to the next ';').
// False when the text is not such a list; the first "filename" value is kept.
bool readParameters(std::string_view parameters, bool* named, std::string* fileName)
{
   *named = false;
   std::size_t position = 0;
   while (position < parameters.size())
   {
      if (parameters.compare(position, 2, "; ") != 0)
         return false;
      position += 2;
      const std::size_t nameEnd = parameters.find_first_of(";=\"", position);
      if (nameEnd == std::string_view::npos || nameEnd == position || parameters[nameEnd] != '=')
         return false;
      const std::string_view name = parameters.substr(position, nameEnd - position);

      std::string_view value;
      position = nameEnd + 1;
      if (position < parameters.size() && parameters[position] == '"')
      {
         const std::size_t closing = parameters.find('"', position + 1);
         if (closing == std::string_view::npos)
            return false;
         value = parameters.substr(position + 1, closing - position - 1);
         position = closing + 1;
      }
      else
      {
         const std::size_t valueEnd = std::min(parameters.find_first_of(";\"", position), parameters.size());
         value = parameters.substr(position, valueEnd - position);
         position = valueEnd;
      }

      if (!*named && name == "filename")
      {
         *named = true;
         fileName->assign(value);
      }
   }
   return true;
}

// Finds a pattern in time linear in the text and the pattern whatever their bytes
// (Knuth, Morris and Pratt): the client chooses both the boundary and the body, and a
// body of near-matches must not make the search quadratic. Where no partial match is
// pending, the library's memchr skips to the next possible start.
class PatternSearch
{
public:
   explicit PatternSearch(std::string pattern) : pattern_(std::move(pattern)), border_(pattern_.size(), 0)
   {
      // border_[i]: the length of the longest proper prefix of the pattern's first i + 1
      // bytes that also ends them.
      std::size_t length = 0;
      for (std::size_t i = 1; i < pattern_.size(); ++i)
      {
         while (length > 0 && pattern_[i] != pattern_[length])
            length = border_[length - 1];
         if (pattern_[i] == pattern_[length])
            ++length;
         border_[i] = length;
      }
   }

   std::size_t size() const { return pattern_.size(); }

   // The first occurrence that starts at or after from, or npos.
   std::size_t find(std::string_view text, std::size_t from) const
   {
      if (pattern_.empty())
         return from <= text.size() ? from : std::string_view::npos;
      std::size_t matched = 0;
      for (std::size_t i = from; i < text.size(); ++i)
      {
         if (matched == 0)
         {
            i = text.find(pattern_[0], i);
            if (i == std::string_view::npos)
               return std::string_view::npos;
         }
         while (matched > 0 && text[i] != pattern_[matched])
            matched = border_[matched - 1];
         if (text[i] == pattern_[matched])
            ++matched;
         if (matched == pattern_.size())
            return i + 1 - matched;
      }
      return std::string_view::npos;
   }

private:
   std::string pattern_;
   std::vector<std::size_t> border_;
};

// One part between two delimiters: its header block, then its content.
void addPart(const char* begin, const char* end, Fields* fields, Files* files)
{
   boost::iostreams::stream<boost::iostreams::array_source> part(begin, end);
   Headers headers;
   parseHeaders(part, &headers);

   const std::string disposition = headerValue(headers, "Content-Disposition");
   boost::smatch match;
   bool named = false;
   std::string fileName;
   if (disposition.empty() ||
       !boost::regex_search(disposition, match, formDataDisposition(), boost::match_continuous) ||
       !readParameters(std::string_view(disposition).substr(static_cast<std::size_t>(match.length(0))), &named,
                       &fileName))
      return;

   // A part whose header block never ends is all headers.
   std::string content;
   if (!part.fail())
   {
      const std::streamoff offset = part.rdbuf()->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
      if (offset >= 0 && offset <= end - begin)
         content.assign(begin + offset, end);
   }

   if (named)
   {
      std::string contentType = headerValue(headers, "Content-Type");
      if (contentType.empty())
         contentType = "application/octet-stream";
      files->emplace(match[1].str(), File{fileName, contentType, std::move(content)});
   }
   else
   {
      fields->emplace_back(match[1].str(), boost::algorithm::trim_copy(content));
   }
}

} // namespace

void parseMultipartForm(const std::string& contentType, const std::string& body, Fields* fields, Files* files)
{
   const std::string boundary = multipartBoundary(contentType);
   const PatternSearch firstDelimiter(boundary);
   const PatternSearch delimiter("\r\n" + boundary);

   std::size_t partStart = firstDelimiter.find(body, 0);
   if (partStart == std::string::npos)
      return;
   partStart += boundary.size();
   for (std::size_t partEnd = delimiter.find(body, partStart); partEnd != std::string::npos;
        partEnd = delimiter.find(body, partStart))
   {
      addPart(body.data() + partStart, body.data() + partEnd, fields, files);
      partStart = partEnd + delimiter.size();
   }
}

void parseQueryString(const std::string& queryString, Fields* fields)
{
   parseFields(queryString, "&", "=", fields, FieldDecodeQueryString);
}

std::string urlDecode(const std::string& text)
{
   return decoded(text);
}

std::string urlEncode(const std::string& text, bool spaceAsPlus)
{
   static const char kHexDigits[] = "0123456789ABCDEF";
   std::string encoded;
   encoded.reserve(text.size() * 3);
   for (const char c : text)
   {
      const unsigned char byte = static_cast<unsigned char>(c);
      if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
          std::string_view("!'()*-._~").find(c) != std::string_view::npos)
      {
         encoded += c;
      }
      else if (c == ' ' && spaceAsPlus)
      {
         encoded += '+';
      }
      else
      {
         encoded += '%';
         encoded += kHexDigits[byte >> 4];
         encoded += kHexDigits[byte & 0x0F];
      }
   }
   return encoded;
}

} // namespace velorin::core::http::util
