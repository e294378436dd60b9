// JsonParse.hpp: RapidJSON's reader with a nesting limit, for JSON values and schemas.
//
// The limit is counted in the handler: the reader recurses once per array or object,
// and stopping it at the limit reports RapidJSON's handler-termination error with
// the offset where it stopped.
#pragma once

#include <cmath>
#include <cstddef>

#include <rapidjson/document.h>
#include <rapidjson/reader.h>

namespace velorin::core::json {

constexpr unsigned kMaxNestingDepth = 1000;
constexpr std::size_t kParseStackCapacity = 1024;
// Room for the reader's first work stack, with the header of the pool it lies in.
constexpr std::size_t kReaderScratchSize = 512;
constexpr std::size_t kReaderChunkSize = 4096;

template <typename Document>
class DepthLimitedHandler
{
public:
   using Ch = typename Document::Ch;

   explicit DepthLimitedHandler(Document& document) : document_(document) {}

   bool Null() { return document_.Null(); }
   bool Bool(bool b) { return document_.Bool(b); }
   bool Int(int i) { return document_.Int(i); }
   bool Uint(unsigned u) { return document_.Uint(u); }
   bool Int64(int64_t i) { return document_.Int64(i); }
   bool Uint64(uint64_t u) { return document_.Uint64(u); }
   // RapidJSON lets a number whose digits fit but whose exponent takes it past the
   // double range through as an infinity, which no writer can write back.
   bool Double(double d)
   {
      if (!std::isfinite(d))
      {
         numberTooBig_ = true;
         return false;
      }
      return document_.Double(d);
   }
   bool RawNumber(const Ch* str, rapidjson::SizeType length, bool copy)
   {
      return document_.RawNumber(str, length, copy);
   }
   bool String(const Ch* str, rapidjson::SizeType length, bool copy)
   {
      return document_.String(str, length, copy);
   }
   bool Key(const Ch* str, rapidjson::SizeType length, bool copy)
   {
      return document_.Key(str, length, copy);
   }
   bool StartObject() { return enter() && document_.StartObject(); }
   bool EndObject(rapidjson::SizeType count)
   {
      --depth_;
      return document_.EndObject(count);
   }
   bool StartArray() { return enter() && document_.StartArray(); }
   bool EndArray(rapidjson::SizeType count)
   {
      --depth_;
      return document_.EndArray(count);
   }

   bool numberTooBig() const { return numberTooBig_; }

private:
   bool enter() { return ++depth_ <= kMaxNestingDepth; }

   Document& document_;
   unsigned depth_ = 0;
   bool numberTooBig_ = false;
};

// Parses NUL-terminated text into document with the default flags; on failure the
// document keeps its value.
template <typename Document>
rapidjson::ParseResult parseText(const char* text, Document& document)
{
   rapidjson::ParseResult result;
   bool numberTooBig = false;
   auto generator = [&](Document& target) {
      rapidjson::GenericStringStream<rapidjson::UTF8<>> stream(text);
      // The reader's work stack holds one string at a time; most fit in scratch memory.
      alignas(std::max_align_t) char scratch[kReaderScratchSize];
      rapidjson::MemoryPoolAllocator<> stackAllocator(scratch, sizeof(scratch), kReaderChunkSize);
      rapidjson::GenericReader<rapidjson::UTF8<>, rapidjson::UTF8<>, rapidjson::MemoryPoolAllocator<>> reader(
         &stackAllocator);
      DepthLimitedHandler<Document> handler(target);
      result = reader.template Parse<rapidjson::kParseDefaultFlags>(stream, handler);
      numberTooBig = handler.numberTooBig();
      return !result.IsError();
   };
   document.Populate(generator);
   if (numberTooBig)
      result.Set(rapidjson::kParseErrorNumberTooBig, result.Offset());
   // RapidJSON reports a raw control character in a string as a bad escape; it is
   // an encoding error, like the other bytes a string may not hold.
   if (result.Code() == rapidjson::kParseErrorStringEscapeInvalid &&
       static_cast<unsigned char>(text[result.Offset()]) < 0x20)
      result.Set(rapidjson::kParseErrorStringInvalidEncoding, result.Offset());
   return result;
}

} // namespace velorin::core::json
