// HttpRangeFuzzer.cpp: "Range" values and requested paths of any bytes. The input is
// a Range value, an LF, a path below a served root, an LF, and the content. A ranged
// reply is 206 with a part that lies inside the content and a Content-Range that
// names it exactly, or 416 with "bytes */size" and no body; a child path is refused,
// or lies within its root and came from a text with nothing Windows reads as another
// place; a file request below a root that does not exist never serves anything.
#include <core/http/Request.hpp>
#include <core/http/Response.hpp>
#include <core/http/Util.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

#include <boost/lexical_cast.hpp>
#include <boost/regex.hpp>

#include <shared_core/FilePath.hpp>

#include "FuzzCheck.hpp"

namespace {

using namespace velorin::core;
using velorin::fuzz::check;

const char kUntouchedBody[] = "untouched";

void checkRange(const std::string& range, const std::string& content)
{
   http::Request request;
   request.setHeader("Range", range);
   http::Response response;
   check(!response.setBody(kUntouchedBody));
   response.setRangedBody(content, "text/plain", request);

   const std::string size = std::to_string(content.size());
   const std::string contentRange = response.headerValue("Content-Range");
   if (response.statusCode() == 416)
   {
      check(contentRange == "bytes */" + size);
      check(response.body() == kUntouchedBody);
      check(!response.containsHeader("Accept-Ranges"));
      return;
   }

   check(response.statusCode() == 206);
   static const boost::regex kSatisfied("bytes (\\d+)-(\\d+)/(\\d+)");
   boost::smatch match;
   check(boost::regex_match(contentRange, match, kSatisfied));
   const std::uint64_t first = boost::lexical_cast<std::uint64_t>(match[1].str());
   const std::uint64_t last = boost::lexical_cast<std::uint64_t>(match[2].str());
   check(match[3].str() == size);
   check(first <= last && last < content.size());
   check(response.body() == content.substr(first, last - first + 1));
   check(response.headerValue("Content-Length") == std::to_string(response.body().size()));
}

void checkChildPath(const std::string& relative)
{
   const std::string rootText = "C:/site";
   const FilePath child = http::util::safeChildPath(rootText, relative);
   const bool suspicious = (!relative.empty() && relative[0] == '/') || relative.find("..") != std::string::npos ||
                           relative.find_first_of(std::string("\\:\0", 3)) != std::string::npos;
   if (suspicious)
   {
      check(child.isEmpty());
      return;
   }
   if (!child.isEmpty())
      check(child.isWithin(FilePath(rootText)));
}

void checkFileRequest(const std::string& relative)
{
   http::Request request;
   request.setUri("/static/" + relative);
   http::Response response;
   http::util::handleFileRequest("C:/no-such-velorin-root", "/static/", request, &response);
   check(response.statusCode() == 404 || response.statusCode() == 301);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   const std::string input(reinterpret_cast<const char*>(data), size);
   const std::size_t rangeEnd = input.find('\n');
   const std::string range = input.substr(0, rangeEnd);
   const std::size_t pathEnd = rangeEnd == std::string::npos ? rangeEnd : input.find('\n', rangeEnd + 1);
   const std::string relative =
      rangeEnd == std::string::npos ? input : input.substr(rangeEnd + 1, pathEnd - (rangeEnd + 1));
   const std::string content = pathEnd == std::string::npos ? std::string() : input.substr(pathEnd + 1);

   checkRange(range, content);
   checkRange(range, input);
   checkChildPath(relative);
   checkFileRequest(relative);
   return 0;
}
