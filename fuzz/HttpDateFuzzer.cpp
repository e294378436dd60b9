// HttpDateFuzzer.cpp: HTTP dates written and read, and the conditional replies that
// read a client's "If-Modified-Since" and "If-None-Match". A date the library writes
// reads back, by the library and by a strict reference reader, as the same whole
// second. A date the library reads from any text names that moment in its numbers and
// month. A file request gets 304 only when the client's date names the file's time and
// always when it writes it exactly; an entity-tag request gets 304 exactly when the
// client sends the content's CRC-32 in decimal. Every reply is a well-formed 200 with
// the whole body or a 304 without body and content type.
#include <core/http/Request.hpp>
#include <core/http/Response.hpp>
#include <core/http/Util.hpp>

#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <boost/date_time/posix_time/posix_time.hpp>
#include <boost/filesystem.hpp>
#include <boost/optional.hpp>
#include <fuzzer/FuzzedDataProvider.h>

#include <shared_core/FilePath.hpp>

#include "FuzzCheck.hpp"

namespace {

using namespace velorin::core;
using boost::posix_time::ptime;
using velorin::fuzz::check;

const char* const kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

const char kPage[] = "<html><body>page</body></html>\n";

// A page in a scratch folder made once and removed at exit.
class ScratchPage
{
public:
   ScratchPage()
   {
      check(!FilePath::tempFilePath("", folder_));
      check(!folder_.ensureDirectory());
      page_ = folder_.completeChildPath("page.html");
      std::ofstream(page_.getAbsolutePath(), std::ios::binary) << kPage;
   }
   ~ScratchPage() { boost::filesystem::remove_all(folder_.getAbsolutePath()); }

   const FilePath& page() const { return page_; }

private:
   FilePath folder_;
   FilePath page_;
};

const FilePath& scratchPage()
{
   static const ScratchPage page;
   return page.page();
}

bool readNumber(const std::string& text, std::size_t at, std::size_t digits, int* value)
{
   *value = 0;
   for (std::size_t i = at; i < at + digits; ++i)
   {
      if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i])))
         return false;
      *value = *value * 10 + (text[i] - '0');
   }
   return true;
}

int indexOf(const char* const* names, int count, const std::string& name)
{
   for (int i = 0; i < count; ++i)
      if (name == names[i])
         return i;
   return -1;
}

// Exactly "Www, DD Mmm YYYY HH:MM:SS GMT" with the weekday of that date.
boost::optional<ptime> strictRead(const std::string& text)
{
   int day = 0, year = 0, hours = 0, minutes = 0, seconds = 0;
   if (text.size() != 29 || text.compare(3, 2, ", ") != 0 || text[7] != ' ' || text[11] != ' ' ||
       text[16] != ' ' || text[19] != ':' || text[22] != ':' || text.compare(25, 4, " GMT") != 0)
      return boost::none;
   if (!readNumber(text, 5, 2, &day) || !readNumber(text, 12, 4, &year) || !readNumber(text, 17, 2, &hours) ||
       !readNumber(text, 20, 2, &minutes) || !readNumber(text, 23, 2, &seconds))
      return boost::none;
   const int month = indexOf(kMonths, 12, text.substr(8, 3));
   if (month < 0 || year < 1400 || hours > 23 || minutes > 59 || seconds > 59)
      return boost::none;
   try
   {
      const boost::gregorian::date date(year, month + 1, day);
      if (text.substr(0, 3) != kWeekdays[date.day_of_week().as_number()])
         return boost::none;
      return ptime(date, boost::posix_time::hours(hours) + boost::posix_time::minutes(minutes) +
                            boost::posix_time::seconds(seconds));
   }
   catch (const std::out_of_range&)
   {
      return boost::none;
   }
}

std::string lowerCase(std::string text)
{
   for (char& c : text)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
   return text;
}

// Whether the text names the time: its first five runs of digits are the day, year,
// hours, minutes and seconds (the 60th second being the leap second that ends in the
// next minute), and a run of letters before the year is the month in any letter case.
bool namesTime(const std::string& text, const ptime& time)
{
   std::vector<long> numbers;
   int month = -1;
   for (std::size_t i = 0; i < text.size() && numbers.size() < 5;)
   {
      const auto c = static_cast<unsigned char>(text[i]);
      std::size_t end = i + 1;
      if (std::isdigit(c))
      {
         while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
            ++end;
         numbers.push_back(end - i > 9 ? -1 : std::stol(text.substr(i, end - i)));
      }
      else if (std::isalpha(c))
      {
         while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end])))
            ++end;
         for (int m = 0; m < 12 && numbers.size() < 2; ++m)
         {
            if (lowerCase(text.substr(i, end - i)) == lowerCase(kMonths[m]))
               month = m;
         }
      }
      i = end;
   }
   if (month < 0 || numbers.size() < 5 || numbers[1] < 1400 || numbers[1] > 9999 || numbers[2] > 23 ||
       numbers[3] > 59 || numbers[4] > 60)
      return false;
   try
   {
      const boost::gregorian::date date(numbers[1], month + 1, numbers[0]);
      return ptime(date, boost::posix_time::seconds(numbers[2] * 3600 + numbers[3] * 60 + numbers[4])) == time;
   }
   catch (const std::out_of_range&)
   {
      return false;
   }
}

// Edits of a well-formed text: letter case, white space, a changed or a lost byte.
std::string mutated(FuzzedDataProvider& provider, std::string text)
{
   const int edits = provider.ConsumeIntegralInRange(0, 3);
   for (int i = 0; i < edits && !text.empty(); ++i)
   {
      const std::size_t at = provider.ConsumeIntegralInRange<std::size_t>(0, text.size() - 1);
      const auto c = static_cast<unsigned char>(text[at]);
      switch (provider.ConsumeIntegralInRange(0, 4))
      {
         case 0:
            text[at] = static_cast<char>(std::islower(c) ? std::toupper(c) : std::tolower(c));
            break;
         case 1:
            text.insert(at, 1, ' ');
            break;
         case 2:
            text.erase(at, 1);
            break;
         case 3:
            text[at] = static_cast<char>(provider.ConsumeIntegral<char>());
            break;
         default:
            text.insert(at, provider.ConsumeRandomLengthString(4));
            break;
      }
   }
   return text;
}

std::string clientText(FuzzedDataProvider& provider, const std::string& exact)
{
   switch (provider.ConsumeIntegralInRange(0, 2))
   {
      case 0:
         return exact;
      case 1:
         return mutated(provider, exact);
      default:
         return provider.ConsumeRandomLengthString(48);
   }
}

void checkWrittenDate(FuzzedDataProvider& provider)
{
   const boost::gregorian::date first(1400, 1, 1);
   const boost::gregorian::date last(9999, 12, 31);
   const boost::gregorian::date date =
      first + boost::gregorian::days(provider.ConsumeIntegralInRange<long>(0, (last - first).days()));
   const boost::posix_time::time_duration clock =
      boost::posix_time::seconds(provider.ConsumeIntegralInRange(0, 86399)) +
      boost::posix_time::microseconds(provider.ConsumeIntegralInRange(0, 999999));
   const ptime time(date, clock);
   const ptime wholeSecond(date, boost::posix_time::seconds(clock.total_seconds()));

   const std::string text = http::util::formatHttpDate(time);
   check(strictRead(text) == wholeSecond);
   check(http::util::parseHttpDate(text) == wholeSecond);
   check(http::util::isValidHttpDate(text));
}

// The reply as sent: the status line, header lines of a name and a value each, a
// blank line, and the body its "Content-Length" announces.
void checkWellFormed(http::Response& response, const std::string& statusLine)
{
   std::string sent;
   for (const auto& buffer : response.toBuffers())
      sent.append(static_cast<const char*>(buffer.data()), buffer.size());
   check(sent.compare(0, statusLine.size() + 2, statusLine + "\r\n") == 0);
   const std::size_t blank = sent.find("\r\n\r\n");
   check(blank != std::string::npos);
   std::istringstream lines(sent.substr(statusLine.size() + 2, blank + 2 - statusLine.size() - 2));
   std::string line;
   while (std::getline(lines, line))
   {
      check(!line.empty() && line.back() == '\r' && line.find(": ") != std::string::npos);
      check(line.find('\r') == line.size() - 1);
   }
   check(sent.substr(blank + 4) == response.body());
   if (response.containsHeader("Content-Length"))
      check(response.headerValue("Content-Length") == std::to_string(response.body().size()));
}

void checkModifiedSince(FuzzedDataProvider& provider)
{
   const FilePath& page = scratchPage();
   const std::int64_t seconds = provider.ConsumeIntegralInRange<std::int64_t>(0, 0x7FFFFFFF);
   page.setLastWriteTime(seconds);
   const ptime lastModified = ptime(boost::gregorian::date(1970, 1, 1)) + boost::posix_time::seconds(seconds);

   const long deltas[] = {0, 0, 1, -1, 60, 3600, -86400, 31536000};
   const long delta = deltas[provider.ConsumeIntegralInRange<std::size_t>(0, sizeof(deltas) / sizeof(deltas[0]) - 1)];
   const std::string exact = http::util::formatHttpDate(lastModified + boost::posix_time::seconds(delta));

   http::Request request;
   request.setHeader("If-Modified-Since", clientText(provider, exact));
   const std::string sent = request.headerValue("If-Modified-Since");
   const ptime since = request.ifModifiedSince();
   if (sent.empty())
      check(since.is_not_a_date_time());
   if (!since.is_special())
      check(namesTime(sent, since));
   const boost::optional<ptime> strict = strictRead(sent);
   if (strict)
      check(since == *strict);

   http::Response response;
   response.setFileIfModified(page, request, http::NullOutputFilter());
   const std::string lastModifiedText = response.headerValue("Last-Modified");
   check(lastModifiedText == http::util::formatHttpDate(lastModified));
   check(strictRead(lastModifiedText) == lastModified);

   if (response.statusCode() == 304)
   {
      check(namesTime(sent, lastModified));
      check(!response.containsHeader("Content-Type"));
      check(response.body().empty());
      checkWellFormed(response, "HTTP/1.1 304 Not Modified");
   }
   else
   {
      check(!(strict && *strict == lastModified));
      check(response.statusCode() == 200);
      check(response.body() == kPage);
      check(response.headerValue("Content-Length") == std::to_string(sizeof(kPage) - 1));
      check(response.headerValue("Content-Type") == "text/html");
      checkWellFormed(response, "HTTP/1.1 200 OK");
   }
}

std::string referenceCrc32(const std::string& content)
{
   std::uint32_t crc = 0xFFFFFFFF;
   for (char c : content)
   {
      crc ^= static_cast<unsigned char>(c);
      for (int bit = 0; bit < 8; ++bit)
         crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
   }
   return std::to_string(crc ^ 0xFFFFFFFF);
}

void checkEntityTag(FuzzedDataProvider& provider)
{
   const std::string content = provider.ConsumeRandomLengthString(64);
   const std::string tag = referenceCrc32(content);
   http::Request request;
   request.setHeader("If-None-Match", clientText(provider, tag));
   const std::string sent = request.headerValue("If-None-Match");

   http::Response response;
   response.setContentType("text/plain");
   check(!response.setBodyWithETag(content, request, http::NullOutputFilter()));
   check(response.headerValue("ETag") == tag);
   if (sent == tag)
   {
      check(response.statusCode() == 304);
      check(!response.containsHeader("Content-Type"));
      check(!response.containsHeader("Content-Length"));
      check(response.body().empty());
      checkWellFormed(response, "HTTP/1.1 304 Not Modified");
   }
   else
   {
      check(response.statusCode() == 200);
      check(response.body() == content);
      check(response.headerValue("Content-Length") == std::to_string(content.size()));
      check(response.headerValue("Content-Type") == "text/plain");
      checkWellFormed(response, "HTTP/1.1 200 OK");
   }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   FuzzedDataProvider provider(data, size);
   switch (provider.ConsumeIntegralInRange(0, 2))
   {
      case 0:
         checkWrittenDate(provider);
         break;
      case 1:
         checkModifiedSince(provider);
         break;
      default:
         checkEntityTag(provider);
         break;
   }
   return 0;
}
