// URL.hpp: absolute HTTP URLs split into protocol, host and path, and the path
// arithmetic of redirects and cookies.
//
//   http::URL("https://example.com:8080/a/b?x=1").host();        // "example.com:8080"
//   http::URL::complete("http://example.com/foo/bar", "../baz"); // "http://example.com/baz"
//
// Everything works on text: nothing is percent-decoded, nothing touches the network,
// and the query or fragment of a path is carried along unchanged. A ".." with no
// folder left to remove is kept, not dropped, even above the root.
#pragma once

#include <ostream>
#include <string>

namespace velorin::core::http {

class URL
{
public:
   // Accepts http and https in any case; anything else (ftp, relative text, a URL
   // without a host) leaves protocol, host and path empty. The text counts up to its
   // first NUL.
   explicit URL(const std::string& absoluteURL);

   // The text the URL was made from, whole.
   const std::string& absoluteURL() const { return absoluteURL_; }

   // Host and port, and user information when the URL carries it.
   const std::string& host() const { return host_; }

   // Everything after the host (path, query and fragment); it may be empty.
   const std::string& path() const { return path_; }

   // As written: "HTTP" stays upper case.
   const std::string& protocol() const { return protocol_; }

   // Resolves "." and ".." in the folders of the path; the last segment, the query
   // and the fragment stay as they are. "/foo/bar/../.." gives "/foo/..".
   static std::string cleanupPath(const std::string& path);

   // The path resolved against the base's folder: an absolute URL path is returned
   // unchanged; over an absolute URL base the result carries the base's protocol
   // and host. An empty path gives the base's folder. The base's query and fragment
   // play no part, and a base without '/' has no folder.
   static std::string complete(const std::string& base, const std::string& path);

   // The folder of the path, up to and including its last '/', without query and
   // fragment; a path without '/' is returned whole.
   static std::string parentPath(const std::string& path);

   // Splits at the first '?' (or, without one, the first '#'): the part before it
   // and the rest, which starts with that character. Either pointer may be null.
   static void splitPathAndQuery(const std::string& path, std::string* pPath, std::string* pQuery);

   // Splits at the first '?', the query without it. An empty URL changes neither
   // output; a URL without '?' or with nothing after it leaves the query as it was.
   // Either pointer may be null.
   static void splitAtQuery(const std::string& url, std::string* pPath, std::string* pQuery);

   // Checks the path arithmetic on known cases; a failure goes to the Boost assertion
   // handler, which logs it as a warning.
   static void test();

   // The target relative to the base's folder, its query and fragment kept (the
   // base's play no part). A base that is not an absolute path gives the target's
   // path without query; a target that is an absolute URL is returned unchanged.
   static std::string uncomplete(const std::string& base, const std::string& target);

private:
   std::string absoluteURL_;
   std::string protocol_;
   std::string host_;
   std::string path_;
};

// Writes the absolute URL text.
std::ostream& operator<<(std::ostream& stream, const URL& url);

} // namespace velorin::core::http
