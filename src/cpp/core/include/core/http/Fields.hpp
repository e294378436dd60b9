// Fields.hpp: the name/value pairs and uploaded files that query strings, cookie
// headers and form bodies are parsed into, and that a request keeps.
//
//   Fields fields{{"q", "a b"}, {"q", "c"}};   // both pairs stay, in order
//   files["upload"].contents;                  // the bytes of the file under "upload"
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace velorin::core::http {

// Name/value pairs in the order of appearance; duplicate names all stay.
typedef std::vector<std::pair<std::string, std::string>> Fields;

// A file uploaded in a multipart form body.
struct File
{
   std::string name;
   std::string contentType;
   std::string contents;
};

// Uploaded files by form field name, one per name.
typedef std::map<std::string, File> Files;

} // namespace velorin::core::http
