// ReadRequest.hpp: request bytes split into a library request as a host's server code
// does it: the start line at its spaces, the header block through the library's
// header parser, the rest as the body.
#pragma once

#include <ios>
#include <string>
#include <utility>

#include <boost/iostreams/device/array.hpp>
#include <boost/iostreams/stream.hpp>

#include <core/http/Request.hpp>

namespace bench {

inline void readRequest(const std::string& bytes, velorin::core::http::Request* request)
{
   const std::size_t lineEnd = bytes.find("\r\n");
   const std::size_t methodEnd = bytes.find(' ');
   const std::size_t uriEnd = bytes.find(' ', methodEnd + 1);
   request->setMethod(bytes.substr(0, methodEnd));
   request->setUri(bytes.substr(methodEnd + 1, uriEnd - methodEnd - 1));

   boost::iostreams::stream<boost::iostreams::array_source> block(bytes.data() + lineEnd + 2,
                                                                  bytes.data() + bytes.size());
   velorin::core::http::Headers headers;
   velorin::core::http::parseHeaders(block, &headers);
   // The parsed list is the request's own: handed over, not copied.
   request->setHeaders(std::move(headers));
   const std::streamoff bodyStart = block.rdbuf()->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
   if (lineEnd + 2 + static_cast<std::size_t>(bodyStart) < bytes.size())
      request->setBody(bytes.substr(lineEnd + 2 + static_cast<std::size_t>(bodyStart)));
}

} // namespace bench
