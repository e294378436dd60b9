// SafeConvert.hpp: number and text conversions that never throw.
//
//   safe_convert::numberToString(2.5, true);       // "2.500000"
//   safe_convert::stringTo<int>("12a", -1);        // -1
#pragma once

#include <locale>
#include <sstream>
#include <string>
#include <type_traits>

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

// The default when the whole text does not convert; nothing is logged.
template <typename T>
T stringTo(const std::string& text, T defaultValue)
{
   try
   {
      return boost::lexical_cast<T>(text);
   }
   catch (const boost::bad_lexical_cast&)
   {
      return defaultValue;
   }
}

} // namespace velorin::core::safe_convert
