// ByteOrderMark.cpp: skipping the UTF-8 byte-order mark at the start of a stream.
#include "ByteOrderMark.hpp"

#include <streambuf>
#include <cstddef>

namespace velorin::core {

void skipByteOrderMark(std::istream& stream)
{
   using Traits = std::istream::traits_type;
   static constexpr char kMark[] = {'\xEF', '\xBB', '\xBF'};

   // Through the buffer, so that a short or empty stream sets none of the stream's flags.
   std::streambuf* const buffer = stream.rdbuf();
   if (buffer == nullptr)
      return;
   std::size_t matched = 0;
   while (matched < sizeof(kMark) && buffer->sgetc() == Traits::to_int_type(kMark[matched]))
   {
      buffer->sbumpc();
      ++matched;
   }
   if (matched == sizeof(kMark))
      return;
   for (; matched > 0; --matched)
      buffer->sungetc();
}

} // namespace velorin::core
