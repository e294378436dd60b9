// StringUtilsCodePage.cpp: conversion between UTF-8 and the system's code pages, and
// the Unicode letter tests over UTF-16 code units.
//
// The letter tables are built once and then only read.
#include <core/StringUtils.hpp>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <platform/Win32Api.hpp>

#include <shared_core/Error.hpp>
#include <shared_core/Logger.hpp>

#include "UnicodeLetterTables.hpp"

namespace velorin::core::string_utils {

namespace {

// Code unit 0xFFFF, values above the BMP and negative values have no bit.
bool inTable(const unicode::CodeUnitTable& table, wchar_t character)
{
   const auto unit = static_cast<std::int64_t>(character);
   return unit >= 0 && unit < static_cast<std::int64_t>(table.size()) && table[static_cast<std::size_t>(unit)];
}

} // namespace

bool isalnum(wchar_t character)
{
   return inTable(unicode::letterOrDigitTable(), character);
}

bool isalpha(wchar_t character)
{
   return inTable(unicode::letterTable(), character);
}

std::string systemToUtf8(const std::string& text)
{
   return systemToUtf8(text, CP_ACP);
}

std::string systemToUtf8(const std::string& text, int codePage)
{
   if (text.empty())
      return text;

   // Code units never outnumber the bytes they come from.
   std::vector<wchar_t> wide(text.size() + 1);
   const int units = ::MultiByteToWideChar(static_cast<UINT>(codePage), 0, text.data(),
                                           static_cast<int>(text.size()), wide.data(),
                                           static_cast<int>(wide.size()));
   if (units == 0)
   {
      log::logError(systemError(static_cast<int>(::GetLastError()), ERROR_LOCATION), ERROR_LOCATION);
      return text;
   }

   const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
   if (size == 0)
   {
      log::logError(systemError(static_cast<int>(::GetLastError()), ERROR_LOCATION), ERROR_LOCATION);
      return text;
   }
   std::string utf8(static_cast<std::size_t>(size), '\0');
   ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8.data(), size, nullptr, nullptr);
   return utf8;
}

namespace {

// Formatted by hand: a stream would follow the global locale's digit grouping.
std::string lowerHex(std::uint32_t value)
{
   std::string digits;
   do
   {
      digits.insert(digits.begin(), "0123456789abcdef"[value % 16]);
      value /= 16;
   } while (value != 0);
   return digits;
}

} // namespace

std::string utf8ToSystem(const std::string& text, bool escapeInvalidChars)
{
   if (text.empty())
      return text;

   std::vector<wchar_t> wide(text.size() + 1);
   const int units = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(),
                                           static_cast<int>(wide.size()));
   if (units == 0)
   {
      log::logError(systemError(static_cast<int>(::GetLastError()), ERROR_LOCATION), ERROR_LOCATION);
      return text;
   }

   std::string result;
   char bytes[MB_LEN_MAX];
   // The count includes the terminating NUL; each surrogate half goes on its own.
   for (int i = 0; i + 1 < units; ++i)
   {
      const int size = velorin::platform::wctomb(bytes, wide[i]);
      if (size >= 0)
      {
         result.append(bytes, static_cast<std::size_t>(size));
      }
      else if (escapeInvalidChars)
      {
         result += "\\u{" + lowerHex(static_cast<std::uint32_t>(wide[i])) + "}";
      }
      else
      {
         result.push_back('?');
      }
   }
   return result;
}

} // namespace velorin::core::string_utils
