// HttpMultipartFuzzer.cpp: multipart form bodies parsed from any bytes, the first line
// being the content type: every field and file comes from the body's own bytes.
#include <core/http/Util.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.hpp"

using namespace velorin::core::http;
using velorin::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   const std::string input(reinterpret_cast<const char*>(data), size);
   const std::size_t lineEnd = input.find('\n');
   const std::string contentType = lineEnd == std::string::npos ? input : input.substr(0, lineEnd);
   const std::string body = lineEnd == std::string::npos ? std::string() : input.substr(lineEnd + 1);

   Fields fields;
   Files files;
   util::parseMultipartForm(contentType, body, &fields, &files);
   for (const auto& field : fields)
   {
      check(body.find(field.first) != std::string::npos);
      check(body.find(field.second) != std::string::npos);
   }
   for (const auto& file : files)
   {
      check(body.find(file.first) != std::string::npos);
      check(body.find(file.second.name) != std::string::npos);
      check(body.find(file.second.contents) != std::string::npos);
      check(!file.second.contentType.empty());
   }
   return 0;
}
