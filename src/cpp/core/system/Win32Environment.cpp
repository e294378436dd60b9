// Win32Environment.cpp: the running process's environment through the Windows calls.
#include <core/system/Environment.hpp>

#include <vector>

#include <platform/Win32Api.hpp>
#include <shared_core/Logger.hpp>
#include <shared_core/UserHomePath.hpp>
#include <shared_core/system/Win32StringUtils.hpp>

namespace velorin::core::system {

void environment(EnvironmentList* pEnvironment)
{
   LPWCH block = ::GetEnvironmentStringsW();
   if (block == nullptr)
   {
      log::logError(systemError(static_cast<int>(::GetLastError()), ERROR_LOCATION), ERROR_LOCATION);
      return;
   }

   for (const wchar_t* entry = block; *entry != L'\0';)
   {
      const std::wstring text(entry);
      std::pair<std::string, std::string> variable;
      if (parseEnvironmentEntry(string_utils::wideToUtf8(text), &variable))
         pEnvironment->push_back(variable);
      entry += text.size() + 1;
   }

   if (!::FreeEnvironmentStringsW(block))
      log::logError(systemError(static_cast<int>(::GetLastError()), ERROR_LOCATION), ERROR_LOCATION);
}

Error expandEnvironmentVariables(std::string value, std::string* pResult)
{
   if (value.empty())
   {
      pResult->clear();
      return Success();
   }

   const DWORD size = ::ExpandEnvironmentStringsA(value.c_str(), nullptr, 0);
   if (size == 0)
      return systemError(static_cast<int>(::GetLastError()), ERROR_LOCATION);

   std::vector<char> buffer(size, '\0');
   const DWORD written = ::ExpandEnvironmentStringsA(value.c_str(), buffer.data(), size);
   if (written == 0)
      return systemError(static_cast<int>(::GetLastError()), ERROR_LOCATION);
   if (written > size)
      return systemError(ERROR_MORE_DATA, ERROR_LOCATION); // the environment grew meanwhile

   *pResult = std::string(buffer.data());
   return Success();
}

std::string getenv(const std::string& name)
{
   return detail::getenvWide(name);
}

void setenv(const std::string& name, const std::string& value)
{
   const std::wstring wideName = string_utils::utf8ToWide(name, std::string());
   const std::wstring wideValue = string_utils::utf8ToWide(value, std::string());
   ::SetEnvironmentVariableW(wideName.c_str(), wideValue.c_str());
}

void unsetenv(const std::string& name)
{
   ::SetEnvironmentVariableA(name.c_str(), nullptr);
}

} // namespace velorin::core::system
