// SafeConvert.hpp: number and text conversions that never throw.
//
//   safe_convert::numberToString(2.5, true);       // "2.500000"
//   safe_convert::stringTo<int>("12a", -1);        // -1
#pragma once

#include <locale>
#include <sstream>
#include <string>
#include <type_traits>
#include <typeinfo>

#include <boost/lexical_cast.hpp>

#include <shared_core/Logger.hpp>

namespace velorin::core::safe_convert {

// An empty string, logged, when the stream fails; doubles in fixed notation.
template <typename T>
std::string numberToString(T value, bool localeIndependent)
{
   try
   {
      std::ostringstream stream;
      if (localeIndependent)
         stream.imbue(std::locale::classic());
      if (std::is_floating_point<T>::value)
         stream << std::fixed;
      stream << value;
      return stream.str();
   }
   catch (const std::exception& e)
   {
      log::logErrorMessage(std::string("Unexpected exception: ") + e.what());
   }
   catch (...)
   {
      log::logErrorMessage("Unknown exception");
   }
   return std::string();
}

namespace detail {

// boost::lexical_cast of the text; throws boost::bad_lexical_cast.
template <typename T>
T lexicalCast(const std::string& text)
{
   if constexpr (std::is_same<T, unsigned short>::value)
   {
      // Boost's reader of unsigned short multiplies in int, which overflows on a byte
      // below '0' far enough from the end ("!00000"). Its reader of unsigned int takes
      // the same texts without that; the magnitude must then fit in 16 bits, and a '-'
      // negates it modulo 65,536.
      const unsigned int wide = boost::lexical_cast<unsigned int>(text);
      const bool negative = !text.empty() && text[0] == '-';
      const unsigned int magnitude = negative ? 0u - wide : wide;
      if (magnitude > 0xFFFFu)
         throw boost::bad_lexical_cast(typeid(std::string), typeid(unsigned short));
      return static_cast<unsigned short>(negative ? 0u - magnitude : magnitude);
   }
   else
   {
      return boost::lexical_cast<T>(text);
   }
}

} // namespace detail

// The default when the whole text does not convert; nothing is logged.
template <typename T>
T stringTo(const std::string& text, T defaultValue)
{
   try
   {
      return detail::lexicalCast<T>(text);
   }
   catch (const boost::bad_lexical_cast&)
   {
      return defaultValue;
   }
}

} // namespace velorin::core::safe_convert
