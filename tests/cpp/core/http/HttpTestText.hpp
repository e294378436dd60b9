// HttpTestText.hpp: header lists, field lists and gather lists as one text each, so
// that a test compares them whole.
#pragma once

#include <string>
#include <vector>

#include <boost/asio/buffer.hpp>

#include <core/http/Fields.hpp>
#include <core/http/Message.hpp>

namespace velorin::core::http::testing {

// "name=value;" per header.
inline std::string headersText(const Headers& headers)
{
   std::string text;
   for (const Header& header : headers)
      text += header.name + "=" + header.value + ";";
   return text;
}

// "(name,value)" per field.
inline std::string fieldsText(const Fields& fields)
{
   std::string text;
   for (const auto& field : fields)
      text += "(" + field.first + "," + field.second + ")";
   return text;
}

// The bytes the buffers point at, in order.
inline std::string buffersText(const std::vector<boost::asio::const_buffer>& buffers)
{
   std::string text;
   for (const boost::asio::const_buffer& buffer : buffers)
      text.append(static_cast<const char*>(buffer.data()), buffer.size());
   return text;
}

} // namespace velorin::core::http::testing
