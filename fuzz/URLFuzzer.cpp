// URLFuzzer.cpp: URL splitting and path arithmetic. The input is a base, an LF, and a
// reference (without an LF, the whole input is both). Splitting loses no byte,
// cleaning is idempotent and keeps query and fragment, and a target made relative to
// a base completes back to the cleaned target.
#include <core/http/URL.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

#include <boost/algorithm/string/predicate.hpp>

#include "FuzzCheck.hpp"

namespace {

using velorin::core::http::URL;
using velorin::fuzz::check;

bool startsWith(const std::string& text, const std::string& prefix)
{
   return text.compare(0, prefix.size(), prefix) == 0;
}

bool isAbsoluteURL(const std::string& text)
{
   const URL url(text);
   return !url.protocol().empty() && !url.host().empty();
}

void checkSplitting(const std::string& text)
{
   const URL url(text);
   check(url.absoluteURL() == text);
   if (url.protocol().empty())
   {
      check(url.host().empty() && url.path().empty());
   }
   else
   {
      check(boost::iequals(url.protocol(), "http") || boost::iequals(url.protocol(), "https"));
      check(!url.host().empty() && url.host().find_first_of("/?#") == std::string::npos);
      check(url.path().empty() || url.path().find_first_of("/?#") == 0);
      check(url.protocol() + "://" + url.host() + url.path() == std::string(text.c_str()));
   }

   std::string pathPart;
   std::string rest;
   URL::splitPathAndQuery(text, &pathPart, &rest);
   check(pathPart + rest == text);
   check(pathPart.find('?') == std::string::npos);
   check(rest.empty() || rest[0] == '?' || (rest[0] == '#' && pathPart.find('#') == std::string::npos));

   const std::string parent = URL::parentPath(text);
   check(startsWith(pathPart, parent));
   check(parent == pathPart || parent.back() == '/');

   const std::string cleaned = URL::cleanupPath(text);
   check(URL::cleanupPath(cleaned) == cleaned);
   check(cleaned.size() >= rest.size() && cleaned.compare(cleaned.size() - rest.size(), rest.size(), rest) == 0);
}

void checkArithmetic(const std::string& base, const std::string& reference)
{
   const std::string completed = URL::complete(base, reference);
   if (isAbsoluteURL(reference))
   {
      check(completed == reference);
   }
   else if (isAbsoluteURL(base))
   {
      const URL baseURL(base);
      check(startsWith(completed, baseURL.protocol() + "://" + baseURL.host() + "/"));
   }
   else
   {
      check(URL::cleanupPath(completed) == completed);
   }

   const std::string relative = URL::uncomplete(base, reference);
   // A base folder above the root gives references that do not read back the same
   // way; the arithmetic keeps such folders on purpose.
   const std::string baseFolder = URL::cleanupPath(URL::parentPath(base.substr(0, base.find('#'))));
   const bool plainBase = startsWith(base, "/") && baseFolder != "/.." && !startsWith(baseFolder, "/../");
   if (plainBase && startsWith(reference, "/"))
      check(URL::complete(base, relative) == URL::cleanupPath(reference));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   const std::string input(reinterpret_cast<const char*>(data), size);
   const std::size_t split = input.find('\n');
   const std::string base = split == std::string::npos ? input : input.substr(0, split);
   const std::string reference = split == std::string::npos ? input : input.substr(split + 1);

   checkSplitting(base);
   checkSplitting(reference);
   checkArithmetic(base, reference);
   checkArithmetic(reference, base);

   std::string path = "unchanged";
   std::string query = "unchanged";
   URL::splitAtQuery(input, &path, &query);
   return 0;
}
