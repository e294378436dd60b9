// WinEnvironment.cpp: the Windows environment over the C library's environ.
//
// Windows always defines USERNAME, USERPROFILE, PROCESSOR_ARCHITECTURE and COMSPEC.
// When the real environment lacks one, it is answered from the system instead, without
// writing it into the host's environment; a value the host or a test sets always wins.
#include <platform/win32/WinEnvironment.hpp>

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <platform/win32/WinText.hpp>

#include "EnvironmentAccess.hpp"
#include "FailureHook.hpp"

extern char** environ;

namespace {

using velorin::platform::failWith;

// Serialises the stand-ins' own reads and writes of environ.
std::mutex s_environmentMutex;

// The blocks GetEnvironmentStringsW handed out and not yet freed.
std::set<LPWCH> s_blocks;

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

bool sameName(const std::string& a, const char* b)
{
   return a.size() == std::strlen(b) && equalIgnoringAsciiCase(a.c_str(), b, a.size());
}

// The PATH the stand-ins last set, as given and as environ holds it. Linux's list
// cannot tell a drive's ':' from a separator, so only a PATH that the program did not
// set itself is read back by translating separators. Guarded by the environment mutex.
struct PathSet
{
   std::string asGiven;
   std::string inEnviron;
};
std::optional<PathSet> s_pathSet;

// PATH's separator as Windows programs see it, and as Linux programs need it. The
// caller holds the environment mutex.
std::string pathForWindows(const std::string& name, std::string value)
{
   if (!sameName(name, "PATH"))
      return value;
   if (s_pathSet && s_pathSet->inEnviron == value)
      return s_pathSet->asGiven;
   std::replace(value.begin(), value.end(), ':', ';');
   return value;
}

std::string pathForLinux(const std::string& name, std::string value)
{
   if (sameName(name, "PATH"))
      std::replace(value.begin(), value.end(), ';', ':');
   return value;
}

// The entry of environ that the name selects, by Windows' rules; null when none.
// The caller holds the environment mutex.
const char* findEntry(const std::string& name)
{
   const char* caseInsensitiveMatch = nullptr;
   for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
   {
      const char* text = *entry;
      if (std::strncmp(text, name.c_str(), name.size()) == 0 && text[name.size()] == '=')
         return text;
      if (caseInsensitiveMatch == nullptr && std::strlen(text) > name.size() && text[name.size()] == '=' &&
          equalIgnoringAsciiCase(text, name.c_str(), name.size()))
         caseInsensitiveMatch = text;
   }
   return caseInsensitiveMatch;
}

std::optional<std::string> findVariable(const std::string& name)
{
   std::lock_guard<std::mutex> lock(s_environmentMutex);
   const char* entry = findEntry(name);
   if (entry == nullptr)
      return std::nullopt;
   return pathForWindows(name, entry + name.size() + 1);
}

std::optional<std::string> systemDefault(const std::string& name)
{
   if (sameName(name, "USERNAME") || sameName(name, "USERPROFILE"))
   {
      std::vector<char> buffer(16384);
      passwd entry{};
      passwd* found = nullptr;
      if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
         return std::nullopt;
      const char* value = sameName(name, "USERNAME") ? found->pw_name : found->pw_dir;
      if (value == nullptr)
         return std::nullopt;
      return std::string(value);
   }
   if (sameName(name, "PROCESSOR_ARCHITECTURE"))
   {
#if defined(__x86_64__)
      return std::string("AMD64");
#elif defined(__aarch64__)
      return std::string("ARM64");
#else
      return std::nullopt;
#endif
   }
   if (sameName(name, "COMSPEC"))
      return std::string("/bin/sh");
   return std::nullopt;
}

const char* const kSystemDefaults[] = {"USERNAME", "USERPROFILE", "PROCESSOR_ARCHITECTURE", "COMSPEC"};

bool isValidName(const std::string& name)
{
   return !name.empty() && name.find('=') == std::string::npos;
}

std::optional<std::string> lookUp(const std::string& name)
{
   if (!isValidName(name))
      return std::nullopt;
   std::optional<std::string> value = findVariable(name);
   return value ? value : systemDefault(name);
}

// Both character widths end here, so that a test's armed failure is consumed once.
BOOL setVariable(const std::string& name, const char* value)
{
   if (!isValidName(name))
      return failWith(ERROR_INVALID_PARAMETER);

   std::lock_guard<std::mutex> lock(s_environmentMutex);
   if (value == nullptr)
   {
      while (const char* entry = findEntry(name))
      {
         const std::string stored(entry, name.size());
         if (::unsetenv(stored.c_str()) != 0)
            return failWith(velorin::platform::win32ErrorFromErrno(errno));
      }
      if (sameName(name, "PATH"))
         s_pathSet.reset();
      return TRUE;
   }

   const char* existing = findEntry(name);
   const std::string stored = existing != nullptr ? std::string(existing, name.size()) : name;
   const std::string linuxValue = pathForLinux(name, value);
   if (::setenv(stored.c_str(), linuxValue.c_str(), 1) != 0)
      return failWith(velorin::platform::win32ErrorFromErrno(errno));
   if (sameName(name, "PATH"))
      s_pathSet = PathSet{value, linuxValue};
   return TRUE;
}

std::string expand(const std::string& text)
{
   std::string result;
   std::size_t position = 0;
   while (position < text.size())
   {
      const std::size_t open = text.find('%', position);
      const std::size_t close = open == std::string::npos ? open : text.find('%', open + 1);
      if (close == std::string::npos)
         return result + text.substr(position);
      result += text.substr(position, open - position);
      const std::optional<std::string> value = lookUp(text.substr(open + 1, close - open - 1));
      if (value)
      {
         result += *value;
         position = close + 1;
      }
      else
      {
         // Not a reference: the closing '%' may open the next one.
         result += text.substr(open, close - open);
         position = close;
      }
   }
   return result;
}

} // namespace

DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size)
{
   if (velorin::platform::consumeArmedFailure("ExpandEnvironmentStringsA"))
      return 0;
   if (source == nullptr || (size > 0 && destination == nullptr))
      return failWith(ERROR_INVALID_PARAMETER);

   const std::string expanded =
      velorin::platform::ansiFromUtf8(expand(velorin::platform::utf8FromAnsi(source)));
   const DWORD needed = static_cast<DWORD>(expanded.size() + 1);
   if (needed <= size)
      std::memcpy(destination, expanded.c_str(), needed);
   return needed;
}

BOOL FreeEnvironmentStringsW(LPWCH block)
{
   // An armed failure still frees the block, so that tests of it leak nothing.
   const bool armedFailure = velorin::platform::consumeArmedFailure("FreeEnvironmentStringsW");
   const DWORD armedError = GetLastError();
   {
      std::lock_guard<std::mutex> lock(s_environmentMutex);
      if (s_blocks.erase(block) == 0)
         return failWith(ERROR_INVALID_PARAMETER);
   }
   delete[] block;
   return armedFailure ? failWith(armedError) : TRUE;
}

LPWCH GetEnvironmentStringsW()
{
   if (velorin::platform::consumeArmedFailure("GetEnvironmentStringsW"))
      return nullptr;

   std::wstring block;
   {
      std::lock_guard<std::mutex> lock(s_environmentMutex);
      for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
      {
         const std::string text = *entry;
         const std::size_t equals = text.find('=');
         const std::string name = text.substr(0, equals);
         block += velorin::platform::utf16FromUtf8(
            equals == std::string::npos ? text : name + "=" + pathForWindows(name, text.substr(equals + 1)));
         block.push_back(L'\0');
      }
   }
   for (const char* name : kSystemDefaults)
   {
      if (findVariable(name))
         continue;
      if (const std::optional<std::string> value = systemDefault(name))
      {
         block += velorin::platform::utf16FromUtf8(std::string(name) + "=" + *value);
         block.push_back(L'\0');
      }
   }
   block.push_back(L'\0');

   LPWCH copy = new (std::nothrow) WCHAR[block.size() + 1];
   if (copy == nullptr)
   {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
   }
   std::copy(block.begin(), block.end(), copy);
   copy[block.size()] = L'\0';
   std::lock_guard<std::mutex> lock(s_environmentMutex);
   s_blocks.insert(copy);
   return copy;
}

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size)
{
   if (velorin::platform::consumeArmedFailure("GetEnvironmentVariableW"))
      return 0;
   if (name == nullptr || (size > 0 && buffer == nullptr))
   {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
   }

   const std::optional<std::string> value = lookUp(velorin::platform::utf8FromUtf16(name, std::wcslen(name)));
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

BOOL SetEnvironmentVariableA(LPCSTR name, LPCSTR value)
{
   if (velorin::platform::consumeArmedFailure("SetEnvironmentVariableA"))
      return FALSE;
   if (name == nullptr)
      return failWith(ERROR_INVALID_PARAMETER);
   if (value == nullptr)
      return setVariable(velorin::platform::utf8FromAnsi(name), nullptr);
   return setVariable(velorin::platform::utf8FromAnsi(name), velorin::platform::utf8FromAnsi(value).c_str());
}

BOOL SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value)
{
   if (velorin::platform::consumeArmedFailure("SetEnvironmentVariableW"))
      return FALSE;
   if (name == nullptr)
      return failWith(ERROR_INVALID_PARAMETER);
   const std::string narrowName = velorin::platform::utf8FromUtf16(name, std::wcslen(name));
   if (value == nullptr)
      return setVariable(narrowName, nullptr);
   return setVariable(narrowName, velorin::platform::utf8FromUtf16(value, std::wcslen(value)).c_str());
}

namespace velorin::platform {

std::string absolutePathVariable(const char* name)
{
   const std::optional<std::string> value = environmentValue(name);
   return value && !value->empty() && (*value)[0] == '/' ? *value : std::string();
}

std::vector<std::string> environmentEntries()
{
   std::lock_guard<std::mutex> lock(s_environmentMutex);
   std::vector<std::string> entries;
   for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
      entries.emplace_back(*entry);
   return entries;
}

std::optional<std::string> environmentValue(const char* name)
{
   const std::size_t length = std::strlen(name);
   std::lock_guard<std::mutex> lock(s_environmentMutex);
   for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
   {
      if (std::strncmp(*entry, name, length) == 0 && (*entry)[length] == '=')
         return std::string(*entry + length + 1);
   }
   return std::nullopt;
}

} // namespace velorin::platform
