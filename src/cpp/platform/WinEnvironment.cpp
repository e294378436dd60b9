// WinEnvironment.cpp: the Windows environment over the C library's environ.
//
// Windows always defines USERNAME, USERPROFILE, PROCESSOR_ARCHITECTURE and COMSPEC.
// When the real environment lacks one, it is answered from the system instead, without
// writing it into the host's environment; a value the host or a test sets always wins.
#include <platform/win32/WinEnvironment.hpp>

#include <pwd.h>
#include <unistd.h>

#include <cstring>
#include <cwchar>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <platform/win32/WinText.hpp>

#include "FailureHook.hpp"

extern char** environ;

namespace {

// Serialises the stand-ins' own reads and writes of environ.
std::mutex s_environmentMutex;

bool equalIgnoringAsciiCase(const char* a, const char* b, std::size_t length)
{
   for (std::size_t i = 0; i < length; ++i)
   {
      char x = a[i], y = b[i];
      if (x >= 'A' && x <= 'Z')
         x = static_cast<char>(x - 'A' + 'a');
      if (y >= 'A' && y <= 'Z')
         y = static_cast<char>(y - 'A' + 'a');
      if (x != y)
         return false;
   }
   return true;
}

std::optional<std::string> findVariable(const std::string& name)
{
   std::lock_guard<std::mutex> lock(s_environmentMutex);
   const char* caseInsensitiveMatch = nullptr;
   for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
   {
      const char* text = *entry;
      if (std::strncmp(text, name.c_str(), name.size()) == 0 && text[name.size()] == '=')
         return std::string(text + name.size() + 1);
      if (caseInsensitiveMatch == nullptr && std::strlen(text) > name.size() && text[name.size()] == '=' &&
          equalIgnoringAsciiCase(text, name.c_str(), name.size()))
         caseInsensitiveMatch = text + name.size() + 1;
   }
   if (caseInsensitiveMatch != nullptr)
      return std::string(caseInsensitiveMatch);
   return std::nullopt;
}

std::optional<std::string> systemDefault(const std::string& name)
{
   auto is = [&](const char* wanted) {
      return name.size() == std::strlen(wanted) && equalIgnoringAsciiCase(name.c_str(), wanted, name.size());
   };

   if (is("USERNAME") || is("USERPROFILE"))
   {
      std::vector<char> buffer(16384);
      passwd entry{};
      passwd* found = nullptr;
      if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
         return std::nullopt;
      const char* value = is("USERNAME") ? found->pw_name : found->pw_dir;
      if (value == nullptr)
         return std::nullopt;
      return std::string(value);
   }
   if (is("PROCESSOR_ARCHITECTURE"))
   {
#if defined(__x86_64__)
      return std::string("AMD64");
#elif defined(__aarch64__)
      return std::string("ARM64");
#else
      return std::nullopt;
#endif
   }
   if (is("COMSPEC"))
      return std::string("/bin/sh");
   return std::nullopt;
}

} // namespace

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size)
{
   if (velorin::platform::consumeArmedFailure("GetEnvironmentVariableW"))
      return 0;
   if (name == nullptr || (size > 0 && buffer == nullptr))
   {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
   }

   const std::string narrowName = velorin::platform::utf8FromUtf16(name, std::wcslen(name));
   std::optional<std::string> value;
   if (!narrowName.empty() && narrowName.find('=') == std::string::npos)
   {
      value = findVariable(narrowName);
      if (!value)
         value = systemDefault(narrowName);
   }
   if (!value)
   {
      SetLastError(ERROR_ENVVAR_NOT_FOUND);
      return 0;
   }

   const std::wstring wide = velorin::platform::utf16FromUtf8(*value);
   if (wide.size() >= size)
      return static_cast<DWORD>(wide.size() + 1);
   std::memcpy(buffer, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
   if (wide.empty())
      SetLastError(ERROR_SUCCESS);
   return static_cast<DWORD>(wide.size());
}
