// FileServing.hpp: answering requests for files below a base URI, the checks that
// keep a requested path below its root, the URI tail after a prefix and the WebSocket
// upgrade test.
//
//   util::handleFileRequest("C:/site", "/static/", request, &response);
//   util::safeChildPath("C:/site", "../secret").isEmpty();   // true: refused
//
// Nothing here keeps state or takes a lock; a refused path gives the not-found reply
// or the empty path, never an exception. Callers include Request.hpp and Response.hpp
// for the messages they pass.
#pragma once

#include <string>

#include <shared_core/FilePath.hpp>

namespace velorin::core::http {

class Request;
class Response;

namespace util {

// Answers a request for a file below the root folder (UTF-8) that the URI names after
// the base URI, normally one ending in '/': the base URI without its slash is
// redirected (301) to it, the base URI itself serves "index.htm", and a URI outside
// it, or a path refused by safeChildPath, gets the not-found reply. The file goes out
// with revalidation headers and the conditional reply of Response::setFileIfModified.
// The URI is not percent-decoded: %20 names a file called "%20".
void handleFileRequest(const std::string& rootPath,
                       const std::string& baseUri,
                       const Request& request,
                       Response* response);

// The word "Upgrade", in any case, standing alone in the "Connection" value.
bool isWebSocketUpgrade(const Request& request);

// The request URI without the prefix (when it starts with it) and the query,
// percent-decoded.
std::string pathAfterPrefix(const Request& request, const std::string& prefix);

// The path that the relative text names below the root, or the empty path when the
// text could name anything outside it: a text that starts with '/', holds "..", '\',
// ':' or NUL anywhere, names a Windows device ("CON", "nul.txt") in any element,
// completes to a path not within the root, or leads out of the root through a link:
// with links followed in both, the child (or, when it does not exist yet, the deepest
// part of it that does) must lie within the root. A link that leads nowhere is refused;
// links that stay inside are followed.
FilePath safeChildPath(const std::string& rootPath, const std::string& relativePath);

} // namespace util
} // namespace velorin::core::http
