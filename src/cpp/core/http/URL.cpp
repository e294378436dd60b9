// URL.cpp: URL splitting and path arithmetic on text.
#include <core/http/URL.hpp>

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>
#include <boost/assert.hpp>
#include <boost/regex.hpp>

#include <core/RegexUtils.hpp>

namespace velorin::core::http {
namespace {

// A path cut at its slashes. Only the folders are ever normalised: the last segment
// is what the path names and stays as written.
struct PathParts
{
   bool absolute = false;
   std::vector<std::string> directories;
   std::string last;
};

PathParts splitPath(const std::string& path)
{
   PathParts parts;
   if (path.empty())
      return parts;

   parts.absolute = path.front() == '/';
   const std::string text = parts.absolute ? path.substr(1) : path;

   std::string directoryText;
   const std::size_t lastSlash = text.rfind('/');
   if (lastSlash == std::string::npos)
   {
      parts.last = text;
   }
   else if (lastSlash + 1 == text.size())
   {
      directoryText = text;
   }
   else
   {
      parts.last = text.substr(lastSlash + 1);
      directoryText = text.substr(0, lastSlash);
   }
   boost::split(parts.directories, directoryText, boost::is_any_of("/"));
   return parts;
}

// A ".." with nothing left to remove is kept rather than dropped, so that a relative
// path still climbs as far as it asked to.
void normalise(std::vector<std::string>* directories)
{
   std::vector<std::string> normalised;
   for (std::string& directory : *directories)
   {
      if (directory.empty() || directory == ".")
         continue;
      if (directory == ".." && !normalised.empty() && normalised.back() != "..")
         normalised.pop_back();
      else
         normalised.push_back(std::move(directory));
   }
   directories->swap(normalised);
}

std::string joinPath(const PathParts& parts)
{
   std::string path = parts.absolute ? "/" : "";
   for (const std::string& directory : parts.directories)
   {
      path += directory;
      path += '/';
   }
   return path + parts.last;
}

bool isAbsoluteURL(const URL& url)
{
   return !url.protocol().empty() && !url.host().empty();
}

// A base's fragment never takes part in resolving against it, not even when it
// holds a '?' (where splitting a path would cut it).
std::string withoutFragment(const std::string& base)
{
   return base.substr(0, base.find('#'));
}

// Empty for a base without any '/': "foo" names a file and no folder.
std::string folderOf(const std::string& base)
{
   const std::string folder = URL::parentPath(withoutFragment(base));
   return folder.find('/') == std::string::npos ? std::string() : folder;
}

} // namespace

URL::URL(const std::string& absoluteURL) : absoluteURL_(absoluteURL)
{
   static const boost::regex& kAbsoluteURL =
      *new boost::regex("(http|https)://([^/#?]+)(.*)", boost::regex::perl | boost::regex::icase);
   boost::cmatch match;
   if (regex_utils::match(absoluteURL.c_str(), match, kAbsoluteURL))
   {
      protocol_ = match[1];
      host_ = match[2];
      path_ = match[3];
   }
}

std::string URL::cleanupPath(const std::string& path)
{
   std::string pathPart;
   std::string rest;
   splitPathAndQuery(path, &pathPart, &rest);

   PathParts parts = splitPath(pathPart);
   normalise(&parts.directories);
   return joinPath(parts) + rest;
}

std::string URL::complete(const std::string& base, const std::string& path)
{
   if (isAbsoluteURL(URL(path)))
      return path;

   std::string prefix;
   std::string folder;
   const URL baseURL(base);
   if (isAbsoluteURL(baseURL))
   {
      prefix = baseURL.protocol() + "://" + baseURL.host();
      folder = folderOf(baseURL.path());
      if (folder.empty())
         folder = "/";
   }
   else
   {
      folder = folderOf(base);
   }

   const std::string combined = !path.empty() && path.front() == '/' ? path : folder + path;
   return prefix + cleanupPath(combined);
}

std::string URL::parentPath(const std::string& path)
{
   std::string pathPart;
   splitPathAndQuery(path, &pathPart, nullptr);
   const std::size_t lastSlash = pathPart.rfind('/');
   return lastSlash == std::string::npos ? pathPart : pathPart.substr(0, lastSlash + 1);
}

void URL::splitAtQuery(const std::string& url, std::string* pPath, std::string* pQuery)
{
   if (url.empty())
      return;

   const std::size_t question = url.find('?');
   if (pPath != nullptr)
      *pPath = url.substr(0, question);
   if (question != std::string::npos && question + 1 < url.size() && pQuery != nullptr)
      *pQuery = url.substr(question + 1);
}

void URL::splitPathAndQuery(const std::string& path, std::string* pPath, std::string* pQuery)
{
   std::size_t split = path.find('?');
   if (split == std::string::npos)
      split = path.find('#');

   if (pPath != nullptr)
      *pPath = path.substr(0, split);
   if (pQuery != nullptr)
      *pQuery = split == std::string::npos ? std::string() : path.substr(split);
}

void URL::test()
{
   const struct
   {
      const char* path;
      const char* cleaned;
   } cleanupCases[] = {
      {"", ""},
      {"/", "/"},
      {"./", ""},
      {"/./", "/"},
      {"/.", "/."},
      {"/foo/../", "/"},
      {"foo/../", ""},
      {"/foo/bar/../../", "/"},
      {"foo/bar/../../", ""},
      {"/foo/bar/../..", "/foo/.."},
      {"/foo/?/../", "/foo/?/../"},
      {"/foo/#/../", "/foo/#/../"},
      {"/foo/?/../#/../", "/foo/?/../#/../"},
   };
   for (const auto& c : cleanupCases)
      BOOST_ASSERT_MSG(cleanupPath(c.path) == c.cleaned, c.path);

   const struct
   {
      const char* base;
      const char* path;
      const char* completed;
   } completeCases[] = {
      {"", "foo", "/foo"},
      {"/foo", "bar", "/bar"},
      {"/foo/", "bar", "/foo/bar"},
      {"/foo/", "/bar", "/bar"},
      {"/foo/bar", "baz/qux", "/foo/baz/qux"},
      {"/foo/bar", "../baz/qux", "/baz/qux"},
      {"/foo/bar/", "../baz/qux", "/foo/baz/qux"},
      {"/foo/bar/", "baz/../qux", "/foo/bar/qux"},
   };
   for (const char* host : {"http://www.example.com", "http://www.example.com:80"})
   {
      for (const auto& c : completeCases)
      {
         const std::string base = std::string(host) + c.base;
         BOOST_ASSERT_MSG(complete(base, c.path) == host + std::string(c.completed), base.c_str());
      }
      BOOST_ASSERT(complete(host, "http://www.example.org/foo") == "http://www.example.org/foo");
   }

   const struct
   {
      const char* base;
      const char* path;
      const char* completed;
   } relativeCases[] = {
      {"foo/bar/", "baz/qux", "foo/bar/baz/qux"},
      {"foo/bar/", "../baz/qux", "foo/baz/qux"},
      {"../foo/bar/", "../baz/qux", "../foo/baz/qux"},
      {"../../foo/bar/", "../baz/qux", "../../foo/baz/qux"},
   };
   for (const auto& c : relativeCases)
      BOOST_ASSERT_MSG(complete(c.base, c.path) == c.completed, c.base);

   BOOST_ASSERT(uncomplete("/foo/bar/baz", "/foo/qux/quux") == "../qux/quux");
   BOOST_ASSERT(uncomplete("/foo/bar/baz/", "/foo/qux/quux") == "../../qux/quux");
   BOOST_ASSERT(uncomplete("/bar/baz", "/qux/quux") == "../qux/quux");
}

std::string URL::uncomplete(const std::string& base, const std::string& target)
{
   // Another host cannot be reached from a path, so there is nothing to shorten.
   if (isAbsoluteURL(URL(target)))
      return target;

   std::string basePath;
   splitPathAndQuery(withoutFragment(base), &basePath, nullptr);
   std::string targetPath;
   std::string targetRest;
   splitPathAndQuery(target, &targetPath, &targetRest);

   PathParts baseParts = splitPath(basePath);
   PathParts targetParts = splitPath(targetPath);
   if (!baseParts.absolute)
      return targetPath;
   if (!targetParts.absolute)
      targetParts = splitPath(complete(basePath, targetPath));

   normalise(&baseParts.directories);
   normalise(&targetParts.directories);

   const auto common = std::mismatch(baseParts.directories.begin(), baseParts.directories.end(),
                                     targetParts.directories.begin(), targetParts.directories.end());
   std::vector<std::string> directories(
      static_cast<std::size_t>(baseParts.directories.end() - common.first), "..");
   directories.insert(directories.end(), common.second, targetParts.directories.end());

   targetParts.absolute = false;
   targetParts.directories.swap(directories);
   return joinPath(targetParts) + targetRest;
}

std::ostream& operator<<(std::ostream& stream, const URL& url)
{
   return stream << url.absoluteURL();
}

} // namespace velorin::core::http
