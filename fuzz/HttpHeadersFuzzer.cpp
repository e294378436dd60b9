// HttpHeadersFuzzer.cpp: header blocks parsed from any bytes, stored in a message and
// written out: every header reads back as it was parsed, and no stored byte ends a
// written header line.
#include <core/http/Message.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzCheck.hpp"

namespace {

using namespace velorin::core::http;
using velorin::fuzz::check;

class FuzzMessage : public Message
{
protected:
   void appendFirstLineBuffers(std::vector<boost::asio::const_buffer>* buffers) override
   {
      appendHttpVersionBuffer(buffers);
   }
   void resetMembers() override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   const std::string input(reinterpret_cast<const char*>(data), size);
   std::istringstream stream(input);
   Headers headers;
   parseHeaders(stream, &headers);

   for (const Header& header : headers)
   {
      check(header.name.find('\n') == std::string::npos && header.value.find('\n') == std::string::npos);
      Header readBack;
      check(parseHeader(header.name + ": " + header.value, &readBack));
      check(readBack.name == header.name && readBack.value == header.value);
   }

   FuzzMessage message;
   message.addHeader(headers);
   message.setHeaderLine(input);
   std::string written;
   for (const boost::asio::const_buffer& buffer : message.toBuffers(Header{input, input}))
      written.append(static_cast<const char*>(buffer.data()), buffer.size());

   // The start line, each header not named as the override, the override, and the
   // blank line: each ends in CR LF, and no other CR or LF is written.
   std::string overrideName = input;
   std::replace(overrideName.begin(), overrideName.end(), '\r', ' ');
   std::replace(overrideName.begin(), overrideName.end(), '\n', ' ');
   const std::size_t lines =
      2 + (overrideName.empty() ? 0 : 1) +
      static_cast<std::size_t>(std::count_if(message.headers().begin(), message.headers().end(),
                                             [&](const Header& header) { return header.name != overrideName; }));
   check(static_cast<std::size_t>(std::count(written.begin(), written.end(), '\n')) == lines);
   check(static_cast<std::size_t>(std::count(written.begin(), written.end(), '\r')) == lines);
   check(written.compare(written.size() - 4, 4, "\r\n\r\n") == 0);
   return 0;
}
