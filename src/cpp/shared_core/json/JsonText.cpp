// JsonText.cpp: JSON text in and out, and the two error categories of the JSON layer.
//
// Parsing is RapidJSON's reader with its default flags, feeding a fresh document, so
// a failed parse leaves the value as it was. The reader recurses once per nesting
// level, and so do writing, copying and freeing the result; a nesting limit keeps
// hostile text from overflowing the stack.
#include <shared_core/json/Json.hpp>

#include <cstddef>
#include <cstring>
#include <string>
#include <ostream>

#include <rapidjson/error/en.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/writer.h>

#include "JsonImpl.hpp"
#include "JsonParse.hpp"

namespace velorin::core::json {
namespace {

constexpr int kLastParseErrorCode = rapidjson::kParseErrorUnspecificSyntaxError;

// What a scratch pool keeps of its memory for its own header.
constexpr std::size_t kScratchHeaderRoom = 64;

// RapidJSON's output stream over the text to be returned, so that the text is written
// in place rather than into a buffer and copied out.
class TextOutput
{
public:
   using Ch = char;

   explicit TextOutput(std::string* text) : text_(text) {}

   void Put(char c) { text_->push_back(c); }
   void Flush() {}

private:
   std::string* text_;
};

// Room for the writer's stack of open arrays and objects at its first size, with the
// header of the pool it lies in.
constexpr std::size_t kWriterScratchSize = 640;

template <template <typename, typename, typename, typename, unsigned> class Writer>
std::string writeWith(const RapidValue& value)
{
   std::string text;
   TextOutput output(&text);
   alignas(std::max_align_t) char scratch[kWriterScratchSize];
   ScratchAllocator levelAllocator(scratch, sizeof(scratch), kScratchChunkSize);
   Writer<TextOutput, rapidjson::UTF8<>, rapidjson::UTF8<>, ScratchAllocator, rapidjson::kWriteDefaultFlags> writer(
      output, &levelAllocator);
   // A NaN or infinity stops the writer; the text up to it is the result.
   value.Accept(writer);
   return text;
}

} // namespace

const char* JsonParseErrorCategory::name() const noexcept
{
   return "json-parse";
}

std::string JsonParseErrorCategory::message(int code) const
{
   if (code < 0 || code > kLastParseErrorCode)
      return "Unknown error.";
   return rapidjson::GetParseError_En(static_cast<rapidjson::ParseErrorCode>(code));
}

const char* JsonPointerParseErrorCategory::name() const noexcept
{
   return "json-pointer-parse";
}

std::string JsonPointerParseErrorCategory::message(int) const
{
   return "Pointer parse failure - see error code";
}

const boost::system::error_category& jsonParseCategory()
{
   static const JsonParseErrorCategory& category = *new JsonParseErrorCategory();
   return category;
}

const boost::system::error_category& jsonPointerParseCategory()
{
   static const JsonPointerParseErrorCategory& category = *new JsonPointerParseErrorCategory();
   return category;
}

Error Value::parse(const char* text)
{
   alignas(std::max_align_t) char scratch[kParseStackCapacity + kScratchHeaderRoom];
   ScratchAllocator stackAllocator(scratch, sizeof(scratch), kScratchChunkSize);
   ScratchDocument document(&sharedAllocator(), kParseStackCapacity, &stackAllocator);
   rapidjson::ParseResult result = parseText(text == nullptr ? "" : text, document);
   if (result.IsError())
   {
      return Error(boost::system::error_code(result.Code(), jsonParseCategory()),
                   "An error occurred while parsing json. Offset: " + std::to_string(result.Offset()),
                   ERROR_LOCATION);
   }
   moveInto(*impl_->value, document);
   return Success();
}

Error Value::parse(const std::string& text)
{
   return parse(text.c_str());
}

std::string Value::write() const
{
   return writeWith<rapidjson::Writer>(*impl_->value);
}

void Value::write(std::ostream& os) const
{
   os << write();
}

std::string Value::writeFormatted() const
{
   return writeWith<rapidjson::PrettyWriter>(*impl_->value);
}

void Value::writeFormatted(std::ostream& os) const
{
   os << writeFormatted();
}

} // namespace velorin::core::json
