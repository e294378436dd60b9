// Win32StringUtils.cpp: UTF-8/UTF-16 conversion through the platform converter.
#include <shared_core/system/Win32StringUtils.hpp>

#include <algorithm>
#include <limits>
#include <vector>

#include <platform/Win32Api.hpp>

#include <shared_core/Error.hpp>
#include <shared_core/Logger.hpp>

namespace velorin::core::string_utils {

std::wstring utf8ToWide(const std::string& text, const std::string& context)
{
   // The text ends at its first NUL, as the converter's NUL-terminated form reads it.
   const std::size_t length = std::min(text.find('\0'), text.size());
   if (length == 0)
      return std::wstring();

   // No byte of UTF-8 gives more than one UTF-16 unit, so a buffer of the text's length
   // takes the result of one conversion, which is cut to what it wrote. Lengths beyond
   // the converter's count go through its NUL-terminated form, which reports them.
   const bool countFits = length <= static_cast<std::size_t>(std::numeric_limits<int>::max());
   std::wstring wide(countFits ? length : 0, L'\0');
   const int size = countFits ? ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(length),
                                                      &wide[0], static_cast<int>(length))
                              : ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
   if (size == 0)
   {
      Error error = systemError(static_cast<int>(::GetLastError()), ERROR_LOCATION);
      if (!context.empty())
         error.addProperty("context", context);
      log::logError(error);
      return std::wstring();
   }
   if (countFits)
   {
      wide.resize(static_cast<std::size_t>(size));
      return wide;
   }
   wide.resize(static_cast<std::size_t>(size));
   ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], size);
   wide.pop_back(); // the terminating NUL the count includes
   return wide;
}

std::string wideToUtf8(const std::wstring& text)
{
   if (text.empty())
      return std::string();

   const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
   if (size == 0)
   {
      log::logError(systemError(static_cast<int>(::GetLastError()), ERROR_LOCATION));
      return std::string();
   }

   std::vector<char> buffer(static_cast<std::size_t>(size), '\0');
   ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, buffer.data(), size, nullptr, nullptr);
   return std::string(buffer.data());
}

} // namespace velorin::core::string_utils
