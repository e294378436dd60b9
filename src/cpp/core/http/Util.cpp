// Util.cpp: HTTP dates, percent-encoding, field lists, multipart form bodies, file
// serving, chunk framing and address checks.
#include <core/http/Util.hpp>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <locale>
#include <sstream>
#include <string_view>

#include <boost/algorithm/string/predicate.hpp>
#include <boost/algorithm/string/trim.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/date_time/posix_time/posix_time.hpp>
#include <boost/iostreams/device/array.hpp>
#include <boost/iostreams/stream.hpp>
#include <boost/regex.hpp>

#include <core/RegexUtils.hpp>
#include <core/TimeUtils.hpp>
#include <core/http/Message.hpp>
#include <core/http/Request.hpp>
#include <core/http/Response.hpp>

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

// Owned here with a reference count of 1, so that no locale ever deletes it; it is only
// read after it is built, so streams of many threads may hold it at once.
boost::posix_time::time_facet httpDateFacet(kHttpDateFormat,
                                            boost::posix_time::time_facet::period_formatter_type(),
                                            boost::posix_time::time_facet::special_values_formatter_type(),
                                            boost::posix_time::time_facet::date_gen_formatter_type(),
                                            1);

} // namespace

std::string formatHttpDate(const boost::posix_time::ptime& time)
{
   std::ostringstream stream;
   stream.imbue(std::locale(stream.getloc(), &httpDateFacet));
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

void handleFileRequest(const std::string& rootPath,
                       const std::string& baseUri,
                       const Request& request,
                       Response* response)
{
   std::string uri = request.path();
   if (uri == baseUri.substr(0, baseUri.empty() ? 0 : baseUri.size() - 1))
   {
      response->redirectPermanently(request, baseUri);
      return;
   }
   if (!boost::algorithm::starts_with(uri, baseUri))
   {
      response->respondNotFound(request);
      return;
   }
   if (uri == baseUri)
      uri += "index.htm";

   const FilePath file = safeChildPath(rootPath, uri.substr(baseUri.size()));
   if (file.isEmpty())
   {
      response->respondNotFound(request);
      return;
   }
   response->setRevalidateCacheHeaders();
   response->setFileIfModified(file, request, NullOutputFilter());
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
   static const boost::regex httpDate(
      "(Mon|Tue|Wed|Thu|Fri|Sat|Sun),\\s\\d{2}\\s(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)"
      "\\s\\d{4}\\s\\d{2}:\\d{2}:\\d{2}\\sGMT");
   return regex_utils::searchText(text, httpDate, false, true);
}

namespace {

const boost::regex kUpgradeWord("\\<Upgrade\\>", boost::regex::perl | boost::regex::icase);

} // namespace

bool isWebSocketUpgrade(const Request& request)
{
   return boost::regex_search(request.headerValue("Connection"), kUpgradeWord);
}

boost::posix_time::ptime parseDate(const std::string& text, const std::string& format)
{
   boost::posix_time::ptime time(boost::posix_time::not_a_date_time);
   time_utils::parseTime(text, format, &time);
   return time;
}

void parseFields(const std::string& text,
                 const char* fieldDelimiters,
                 const char* valueDelimiters,
                 Fields* fields,
                 FieldDecode decode)
{
   const DelimiterSet fieldDelimiterSet(fieldDelimiters);
   const DelimiterSet valueDelimiterSet(valueDelimiters);
   std::size_t fieldPosition = 0;
   for (std::string_view field = nextPiece(text, fieldDelimiterSet, &fieldPosition); !field.empty();
        field = nextPiece(text, fieldDelimiterSet, &fieldPosition))
   {
      std::size_t valuePosition = 0;
      const std::string_view name = nextPiece(field, valueDelimiterSet, &valuePosition);
      const std::string_view value = nextPiece(field, valueDelimiterSet, &valuePosition);
      if (name.empty())
         continue;
      if (decode == FieldDecodeNone)
         fields->emplace_back(name, value);
      else
         fields->emplace_back(decoded(name), decoded(value));
   }
}

void parseForm(const std::string& body, Fields* fields)
{
   parseFields(body, "&", "=", fields, FieldDecodeForm);
}

boost::posix_time::ptime parseHttpDate(const std::string& text)
{
   return parseDate(text, kHttpDateFormat);
}

boost::posix_time::ptime parseIsoDate(const std::string& text)
{
   return parseDate(text, "%Y-%m-%dT%H:%M:%S%F%Q");
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

// The field name, then the further parameters. A quoted value ends at its own closing
// quote, so a parameter after the name cannot run into it.
const boost::regex kFormDataDisposition("form-data; name=\"([^\"]*)\"((?:; [^;=\"]+=(?:\"[^\"]*\"|[^;\"]*))*)");
const boost::regex kDispositionParameter("; ([^;=\"]+)=(?:\"([^\"]*)\"|([^;\"]*))");

// Whether the parameters name a file, and which.
bool findFileName(boost::smatch::const_reference parameters, std::string* fileName)
{
   const boost::sregex_iterator end;
   for (boost::sregex_iterator parameter(parameters.first, parameters.second, kDispositionParameter);
        parameter != end; ++parameter)
   {
      if ((*parameter)[1] == "filename")
      {
         *fileName = (*parameter)[2].matched ? (*parameter)[2].str() : (*parameter)[3].str();
         return true;
      }
   }
   return false;
}

// One part between two delimiters: its header block, then its content.
void addPart(const char* begin, const char* end, Fields* fields, Files* files)
{
   boost::iostreams::stream<boost::iostreams::array_source> part(begin, end);
   Headers headers;
   parseHeaders(part, &headers);

   const std::string disposition = headerValue(headers, "Content-Disposition");
   boost::smatch match;
   if (disposition.empty() || !regex_utils::match(disposition, match, kFormDataDisposition))
      return;

   // A part whose header block never ends is all headers.
   std::string content;
   if (!part.fail())
   {
      const std::streamoff offset = part.rdbuf()->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
      if (offset >= 0 && offset <= end - begin)
         content.assign(begin + offset, end);
   }

   std::string fileName;
   if (findFileName(match[2], &fileName))
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
   const std::string delimiter = "\r\n" + boundary;

   std::size_t partStart = body.find(boundary);
   if (partStart == std::string::npos)
      return;
   partStart += boundary.size();
   for (std::size_t partEnd = body.find(delimiter, partStart); partEnd != std::string::npos;
        partEnd = body.find(delimiter, partStart))
   {
      addPart(body.data() + partStart, body.data() + partEnd, fields, files);
      partStart = partEnd + delimiter.size();
   }
}

void parseQueryString(const std::string& queryString, Fields* fields)
{
   parseFields(queryString, "&", "=", fields, FieldDecodeQueryString);
}

std::string pathAfterPrefix(const Request& request, const std::string& prefix)
{
   std::string uri = request.uri();
   if (!prefix.empty() && boost::algorithm::starts_with(uri, prefix))
      uri.erase(0, prefix.size());
   return urlDecode(uri.substr(0, uri.find('?')));
}

namespace {

// Besides '/', Windows reads '\' as a separator and ':' as the end of a drive or the
// start of a stream name; a NUL ends the name early.
const std::string kRefusedPathCharacters("\\:\0", 3);

// Windows opens a device for these names in any folder, whatever follows their first
// dot and with spaces before it ("nul.txt", "CON .log"); COM and LPT also take the
// superscript digits.
const boost::regex kDeviceName("(?:^|/)(?:CON|CONIN\\$|CONOUT\\$|PRN|AUX|NUL|(?:COM|LPT)(?:[0-9]|\xC2[\xB2\xB3\xB9]))"
                               " *(?:\\.[^/]*)?(?:/|$)",
                               boost::regex::perl | boost::regex::icase);

} // namespace

FilePath safeChildPath(const std::string& rootPath, const std::string& relativePath)
{
   if (boost::algorithm::starts_with(relativePath, "/") || relativePath.find("..") != std::string::npos ||
       relativePath.find_first_of(kRefusedPathCharacters) != std::string::npos ||
       boost::regex_search(relativePath, kDeviceName))
      return FilePath();

   // The completed root, so that a relative root compares with the completed child.
   const FilePath root = FilePath(rootPath).completePath(std::string());
   const FilePath child = root.completePath(relativePath);
   return child.isWithin(root) ? child : FilePath();
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
