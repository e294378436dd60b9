// Win32StringUtils.cpp: UTF-8/UTF-16 conversion through the platform converter.
#include <shared_core/system/Win32StringUtils.hpp>

#include <vector>

#include <platform/Win32Api.hpp>

#include <shared_core/Error.hpp>
#include <shared_core/Logger.hpp>

namespace velorin::core::string_utils {

std::wstring utf8ToWide(const std::string& text, const std::string& context)
{
   if (text.empty())
      return std::wstring();

   const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
   if (size == 0)
   {
      Error error = systemError(static_cast<int>(::GetLastError()), ERROR_LOCATION);
      if (!context.empty())
         error.addProperty("context", context);
      log::logError(error);
      return std::wstring();
   }

   std::vector<wchar_t> buffer(static_cast<std::size_t>(size), L'\0');
   ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, buffer.data(), size);
   return std::wstring(buffer.data());
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
