// HttpMultipartFuzzer.cpp: multipart form bodies built from fields and files whose
// names, file names, content types and contents come from the input, parsed back.
//
// While the framing stands as built, the parse gives back exactly the fields (names,
// trimmed values, in order) and files (the first of each field name, contents byte for
// byte) that went in. The input may then also cut, insert or overwrite bytes of the
// framing; the parse must still end, and only give back what the body holds: a field's
// name in a disposition and its value, a file's name and its contents right before a
// delimiter, and no more parts than there are delimiters.
#include <core/http/Util.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzCheck.hpp"
#include "FuzzText.hpp"

using namespace velorin::core::http;
using velorin::fuzz::check;
using velorin::fuzz::trimmed;
using velorin::fuzz::withoutBytes;

namespace {

struct Part
{
   bool isFile = false;
   std::string name;
   std::string value; // a field's value or a file's contents
   std::string fileName;
   std::string contentType; // written only when not empty
};

const char* const kDispositionNames[] = {"Content-Disposition", "content-disposition", "CONTENT-disposition"};
const char* const kContentTypeNames[] = {"Content-Type", "content-type"};

std::string partText(const Part& part, FuzzedDataProvider& provider)
{
   std::string disposition = provider.PickValueInArray(kDispositionNames);
   disposition += ": form-data; name=\"" + part.name + "\"";
   if (part.isFile)
      disposition += "; filename=\"" + part.fileName + "\"";
   disposition += "\r\n";

   std::string headers;
   if (provider.ConsumeBool())
      headers += "X-Note: " + withoutBytes(provider.ConsumeRandomLengthString(12), "\r\n") + "\r\n";
   const std::string contentType = part.contentType.empty()
                                      ? std::string()
                                      : std::string(provider.PickValueInArray(kContentTypeNames)) + ": " +
                                           part.contentType + "\r\n";
   headers += provider.ConsumeBool() ? disposition + contentType : contentType + disposition;
   return headers + "\r\n" + part.value;
}

std::vector<std::size_t> occurrences(const std::string& text, const std::string& pattern, std::size_t from)
{
   std::vector<std::size_t> found;
   for (std::size_t at = text.find(pattern, from); at != std::string::npos; at = text.find(pattern, at + 1))
      found.push_back(at);
   return found;
}

bool contains(const std::string& text, const std::string& part)
{
   return text.find(part) != std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   FuzzedDataProvider provider(data, size);

   const std::string boundaryText = provider.ConsumeRandomLengthString(24);
   const std::string contentType = std::string(provider.ConsumeBool() ? "multipart/form-data; charset=utf-8; boundary="
                                                                      : "multipart/form-data; boundary=") +
                                   boundaryText;
   // The boundary runs to the end of the content type, trimmed, quotes and all.
   const std::string boundary = trimmed("--" + contentType.substr(contentType.find("boundary=") + 9));
   const std::string delimiter = "\r\n" + boundary;

   std::string body = provider.ConsumeRandomLengthString(24);
   const std::size_t firstDelimiter = body.size();
   body += boundary;
   std::vector<std::size_t> delimiters;
   // Where the framing lies: the line end after each boundary, each blank line that
   // ends a header block, each delimiter.
   std::vector<std::size_t> framing{body.size()};
   Fields expectedFields;
   Files expectedFiles;
   const int partCount = provider.ConsumeIntegralInRange(0, 6);
   for (int i = 0; i < partCount; ++i)
   {
      Part part;
      part.isFile = provider.ConsumeBool();
      part.name = withoutBytes(provider.ConsumeRandomLengthString(16), "\"\r\n");
      if (part.isFile)
      {
         part.fileName = withoutBytes(provider.ConsumeRandomLengthString(16), "\"\r\n");
         part.contentType = withoutBytes(provider.ConsumeRandomLengthString(24), "\r\n");
      }
      part.value = provider.ConsumeRandomLengthString(64);

      body += "\r\n" + partText(part, provider);
      framing.push_back(body.size() - part.value.size() - 2);
      delimiters.push_back(body.size());
      framing.push_back(body.size());
      body += delimiter;
      framing.push_back(body.size());
      if (!part.isFile)
         expectedFields.emplace_back(part.name, trimmed(part.value));
      else
      {
         const std::string sentType = trimmed(part.contentType);
         expectedFiles.emplace(
            part.name, File{part.fileName, sentType.empty() ? "application/octet-stream" : sentType, part.value});
      }
   }
   body += "--\r\n" + provider.ConsumeRandomLengthString(24);

   // Changes to the framing, each at a place of the framing or anywhere in the body
   // (the places move a little as earlier changes cut or insert bytes).
   const int changes = provider.ConsumeIntegralInRange(0, 3);
   for (int i = 0; i < changes; ++i)
   {
      std::size_t at = provider.ConsumeBool()
                          ? framing[provider.ConsumeIntegralInRange<std::size_t>(0, framing.size() - 1)]
                          : provider.ConsumeIntegralInRange<std::size_t>(0, body.size());
      at = std::min(at, body.size());
      const std::size_t length =
         provider.ConsumeIntegralInRange<std::size_t>(0, std::min<std::size_t>(8, body.size() - at));
      body.replace(at, length, provider.ConsumeRandomLengthString(8));
   }

   Fields fields;
   Files files;
   util::parseMultipartForm(contentType, body, &fields, &files);

   // The framing stands as built when the boundary starts where the first delimiter
   // was put and every delimiter after it is one that was put there.
   const bool framingAsBuilt = changes == 0 && body.find(boundary) == firstDelimiter &&
                               occurrences(body, delimiter, firstDelimiter + boundary.size()) == delimiters;
   if (framingAsBuilt)
   {
      check(fields == expectedFields);
      check(files.size() == expectedFiles.size());
      for (const auto& file : expectedFiles)
      {
         const auto found = files.find(file.first);
         check(found != files.end());
         check(found->second.name == file.second.name);
         check(found->second.contentType == file.second.contentType);
         check(found->second.contents == file.second.contents);
      }
      return 0;
   }

   const std::size_t first = body.find(boundary);
   check(fields.size() + files.size() <=
         (first == std::string::npos ? 0 : occurrences(body, delimiter, first + boundary.size()).size()));
   for (const auto& field : fields)
   {
      check(contains(body, "name=\"" + field.first + "\""));
      check(contains(body, field.second));
      check(field.second == trimmed(field.second));
   }
   for (const auto& file : files)
   {
      check(contains(body, "name=\"" + file.first + "\""));
      check(contains(body, "filename=\"" + file.second.name + "\"") ||
            contains(body, "filename=" + file.second.name));
      check(contains(body, file.second.contents + delimiter));
      check(file.second.contentType == "application/octet-stream" || contains(body, file.second.contentType));
      check(!file.second.contentType.empty());
   }
   return 0;
}
