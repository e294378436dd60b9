// FuzzText.hpp: text helpers of the fuzz targets that build their inputs.
#pragma once

#include <algorithm>
#include <string>

namespace velorin::fuzz {

// Trimmed of the white space of the classic locale, as the readers trim.
inline std::string trimmed(const std::string& text)
{
   static const char kWhiteSpace[] = " \t\n\v\f\r";
   const std::size_t begin = text.find_first_not_of(kWhiteSpace);
   if (begin == std::string::npos)
      return std::string();
   return text.substr(begin, text.find_last_not_of(kWhiteSpace) + 1 - begin);
}

// The text without any of the given bytes.
inline std::string withoutBytes(std::string text, const std::string& bytes)
{
   text.erase(std::remove_if(text.begin(), text.end(), [&bytes](char c) { return bytes.find(c) != std::string::npos; }),
              text.end());
   return text;
}

} // namespace velorin::fuzz
