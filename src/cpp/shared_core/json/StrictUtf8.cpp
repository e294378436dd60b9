// StrictUtf8.cpp: UTF-8 validity, byte by byte within the given length.
#include "StrictUtf8.hpp"

namespace velorin::core::json {

bool isValidUtf8(const char* text, std::size_t length)
{
   const auto* bytes = reinterpret_cast<const unsigned char*>(text);
   std::size_t i = 0;
   while (i < length)
   {
      unsigned char lead = bytes[i];
      std::size_t count;
      unsigned char low = 0x80;
      unsigned char high = 0xBF;
      if (lead < 0x80)
         count = 0;
      else if (lead >= 0xC2 && lead <= 0xDF)
         count = 1;
      else if (lead >= 0xE0 && lead <= 0xEF)
      {
         count = 2;
         low = lead == 0xE0 ? 0xA0 : 0x80;
         high = lead == 0xED ? 0x9F : 0xBF;
      }
      else if (lead >= 0xF0 && lead <= 0xF4)
      {
         count = 3;
         low = lead == 0xF0 ? 0x90 : 0x80;
         high = lead == 0xF4 ? 0x8F : 0xBF;
      }
      else
         return false;
      if (length - i - 1 < count)
         return false;
      for (std::size_t k = 1; k <= count; ++k)
      {
         unsigned char next = bytes[i + k];
         if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
            return false;
      }
      i += count + 1;
   }
   return true;
}

} // namespace velorin::core::json
