// RequestFormFuzzer.cpp: the body of a request read as its "Content-Type" says. The
// input is a choice of type, the rest of the type's text up to an LF, and the body.
// Exactly "application/x-www-form-urlencoded" gives the fields a plain reference
// decoder reads from the body and no files; a type that begins with
// "multipart/form-data" gives what the multipart reader gives, with text fields
// trimmed; any other type gives no fields and no files. The body is read once.
#include <core/http/Request.hpp>
#include <core/http/Util.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzCheck.hpp"

namespace {

using namespace velorin::core::http;
using velorin::fuzz::check;

bool isHexDigit(char c)
{
   return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c)
{
   return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

bool isStreamSpace(char c)
{
   return c == ' ' || (c >= '\t' && c <= '\r');
}

// The two characters after a '%' read as a hexadecimal integer extraction reads them:
// white space first, a sign, then digits up to the first other character. The stream
// takes "0x" for the prefix of digits that do not follow, and fails.
bool readEscape(char first, char second, unsigned char* byte)
{
   if (first == '0' && (second == 'x' || second == 'X'))
      return false;
   const char window[] = {first, second};
   std::size_t at = 0;
   while (at < 2 && isStreamSpace(window[at]))
      ++at;
   bool negative = false;
   if (at < 2 && (window[at] == '+' || window[at] == '-'))
      negative = window[at++] == '-';
   if (at == 2 || !isHexDigit(window[at]))
      return false;
   int value = 0;
   while (at < 2 && isHexDigit(window[at]))
      value = value * 16 + hexValue(window[at++]);
   *byte = static_cast<unsigned char>(negative ? -value : value);
   return true;
}

std::string referenceDecode(const std::string& text)
{
   std::string decoded;
   for (std::size_t i = 0; i < text.size(); ++i)
   {
      if (text[i] == '+')
      {
         decoded += ' ';
      }
      else if (text[i] != '%')
      {
         decoded += text[i];
      }
      else
      {
         unsigned char byte = 0;
         if (i + 2 >= text.size())
            return text;
         if (!readEscape(text[i + 1], text[i + 2], &byte))
            return text;
         decoded += static_cast<char>(byte);
         i += 2;
      }
   }
   return decoded;
}

// Pieces between delimiters, empty ones dropped.
std::vector<std::string> pieces(const std::string& text, char delimiter)
{
   std::vector<std::string> result;
   std::size_t start = 0;
   while (start <= text.size())
   {
      std::size_t end = text.find(delimiter, start);
      if (end == std::string::npos)
         end = text.size();
      if (end > start)
         result.push_back(text.substr(start, end - start));
      start = end + 1;
   }
   return result;
}

Fields referenceForm(const std::string& body)
{
   Fields fields;
   for (const std::string& field : pieces(body, '&'))
   {
      const std::vector<std::string> parts = pieces(field, '=');
      if (parts.empty())
         continue;
      const std::string name = referenceDecode(parts[0]);
      if (!name.empty())
         fields.emplace_back(name, parts.size() > 1 ? referenceDecode(parts[1]) : "");
   }
   return fields;
}

bool isTrimmed(const std::string& text)
{
   return text.empty() || (!isStreamSpace(text.front()) && !isStreamSpace(text.back()));
}

bool isEmptyFile(const File& file)
{
   return file.name.empty() && file.contentType.empty() && file.contents.empty();
}

const char* const kTypes[] = {
   "application/x-www-form-urlencoded", "multipart/form-data; boundary=", "multipart/form-data", "text/plain", "",
   "Application/x-www-form-urlencoded", "multipart/form-dat",
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   FuzzedDataProvider provider(data, size);
   const char* type = kTypes[provider.ConsumeIntegralInRange<std::size_t>(0, sizeof(kTypes) / sizeof(kTypes[0]) - 1)];
   std::string rest = provider.ConsumeRemainingBytesAsString();
   const std::size_t lineEnd = rest.find('\n');
   const std::string contentType = type + rest.substr(0, lineEnd);
   const std::string body = lineEnd == std::string::npos ? "" : rest.substr(lineEnd + 1);

   Request request;
   request.setHeader("Content-Type", contentType);
   request.setBody(body);
   const std::string storedType = request.headerValue("Content-Type");

   Fields expectedFields;
   Files expectedFiles;
   if (storedType == "application/x-www-form-urlencoded")
   {
      expectedFields = referenceForm(body);
   }
   else if (storedType.compare(0, 19, "multipart/form-data") == 0)
   {
      util::parseMultipartForm(storedType, body, &expectedFields, &expectedFiles);
      for (const auto& field : expectedFields)
         check(isTrimmed(field.second));
   }

   check(request.formFields() == expectedFields);
   for (const auto& field : expectedFields)
      check(request.formFieldValue(field.first) == util::fieldValue(expectedFields, field.first));
   for (const auto& file : expectedFiles)
   {
      const File& uploaded = request.uploadedFile(file.first);
      check(uploaded.name == file.second.name && uploaded.contentType == file.second.contentType &&
            uploaded.contents == file.second.contents);
   }
   if (expectedFiles.find("") == expectedFiles.end())
      check(isEmptyFile(request.uploadedFile("")));
   if (expectedFiles.empty())
      check(isEmptyFile(request.uploadedFile(body.substr(0, 8))));

   // A body changed after the first read is not read again.
   request.setBody("a=1&b=2");
   check(request.formFields() == expectedFields);
   return 0;
}
