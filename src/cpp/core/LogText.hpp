// LogText.hpp: text taken from a request, made fit to stand inside a log line. Shared
// by the HTTP and JSON-RPC code, so it lives above both.
#pragma once

#include <string>

namespace velorin::core {

// CR and LF written as \r and \n, so that a client's text cannot end the log line it
// stands in and write one of its own.
inline std::string escapeLineBreaks(const std::string& text)
{
   std::string escaped;
   escaped.reserve(text.size());
   for (const char c : text)
   {
      if (c == '\r')
         escaped += "\\r";
      else if (c == '\n')
         escaped += "\\n";
      else
         escaped += c;
   }
   return escaped;
}

} // namespace velorin::core
