// FileServing.cpp: files served below a base URI and the refusal of every path that
// could reach outside the root.
#include <core/http/FileServing.hpp>

#include <exception>
#include <string_view>

#include <boost/algorithm/string/predicate.hpp>
#include <boost/regex.hpp>

#include <core/http/Request.hpp>
#include <core/http/Response.hpp>
#include <core/http/Util.hpp>

namespace velorin::core::http::util {

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

bool isWebSocketUpgrade(const Request& request)
{
   static const boost::regex& upgradeWord = *new boost::regex("\\<Upgrade\\>", boost::regex::perl | boost::regex::icase);
   return boost::regex_search(request.headerValue("Connection"), upgradeWord);
}

std::string pathAfterPrefix(const Request& request, const std::string& prefix)
{
   std::string uri = request.uri();
   if (!prefix.empty() && boost::algorithm::starts_with(uri, prefix))
      uri.erase(0, prefix.size());
   return urlDecode(uri.substr(0, uri.find('?')));
}

namespace {

// Windows opens a device for these names in any folder, whatever follows their first
// dot and with spaces before it ("nul.txt", "CON .log"); COM and LPT also take the
// superscript digits.
const boost::regex& deviceName()
{
   static const boost::regex& expression =
      *new boost::regex("(?:^|/)(?:CON|CONIN\\$|CONOUT\\$|PRN|AUX|NUL|(?:COM|LPT)(?:[0-9]|\xC2[\xB2\xB3\xB9]))"
                        " *(?:\\.[^/]*)?(?:/|$)",
                        boost::regex::perl | boost::regex::icase);
   return expression;
}

// Windows drops the spaces and dots that end a name ("index.htm.", "css /"), so such a
// name reaches another entry; the single-dot element is read lexically.
const boost::regex& strippedEnding()
{
   static const boost::regex& expression = *new boost::regex("(?:^|/)(?:[^/]* |[^/]+\\.)(?:/|$)");
   return expression;
}

// Whether the child, with its links followed, still lies within the root, its links
// followed too. A child that does not exist yet is judged by the deepest part of it
// that does; a link that leads nowhere is refused, since writing through it would
// make its target. A root that does not exist holds no link to follow.
bool resolvesWithin(const FilePath& root, const FilePath& child)
{
   if (!root.exists())
      return true;
   try
   {
      const FilePath resolvedRoot(root.getCanonicalPath());
      FilePath existing = child;
      while (!existing.exists())
      {
         if (existing.isSymlink() || existing.getParent().isEmpty())
            return false;
         existing = existing.getParent();
      }
      return FilePath(existing.getCanonicalPath()).isWithin(resolvedRoot);
   }
   catch (const std::exception&)
   {
      return false;
   }
}

} // namespace

FilePath safeChildPath(const std::string& rootPath, const std::string& relativePath)
{
   // Besides '/', Windows reads '\' as a separator and ':' as the end of a drive or the
   // start of a stream name; a NUL ends the name early.
   static constexpr std::string_view kRefusedPathCharacters("\\:\0", 3);
   if (boost::algorithm::starts_with(relativePath, "/") || relativePath.find("..") != std::string::npos ||
       relativePath.find_first_of(kRefusedPathCharacters) != std::string::npos ||
       boost::regex_search(relativePath, deviceName()) || boost::regex_search(relativePath, strippedEnding()))
      return FilePath();

   // The completed root, so that a relative root compares with the completed child.
   const FilePath root = FilePath(rootPath).completePath(std::string());
   const FilePath child = root.completePath(relativePath);
   return child.isWithin(root) && resolvesWithin(root, child) ? child : FilePath();
}

} // namespace velorin::core::http::util
