// ScopedEnvironment.hpp: saves the process's environment variables and puts them back
// when the scope ends, so that a test may set and unset variables freely without the
// tests after it, in the same process, seeing what it changed.
//
// On Windows it also gives setenv and unsetenv their Windows form, so that tests set
// variables as on Linux: UTF-8 names and values, in the process environment that the
// library reads (and in the C runtime's copy of it).
#pragma once

#include <cstdlib>
#include <cwchar>
#include <map>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#ifdef _WIN32
namespace velorin::core::testing::detail {

inline std::wstring wideFromUtf8(const std::string& text)
{
   std::wstring wide(text.size(), L'\0');
   const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                          wide.data(), static_cast<int>(wide.size()));
   wide.resize(static_cast<std::size_t>(size));
   return wide;
}

} // namespace velorin::core::testing::detail

// An empty value removes the variable from the C runtime's copy, so the process
// environment is set afterwards, where a variable may be empty.
inline int setenv(const char* name, const char* value, int /*overwrite*/)
{
   const std::wstring wideName = velorin::core::testing::detail::wideFromUtf8(name);
   const std::wstring wideValue = velorin::core::testing::detail::wideFromUtf8(value);
   ::_wputenv_s(wideName.c_str(), wideValue.c_str());
   return ::SetEnvironmentVariableW(wideName.c_str(), wideValue.c_str()) ? 0 : -1;
}

inline int unsetenv(const char* name)
{
   const std::wstring wideName = velorin::core::testing::detail::wideFromUtf8(name);
   ::_wputenv_s(wideName.c_str(), L"");
   return ::SetEnvironmentVariableW(wideName.c_str(), nullptr) || ::GetLastError() == ERROR_ENVVAR_NOT_FOUND ? 0 : -1;
}
#endif

namespace velorin::core::testing {

class ScopedEnvironment
{
public:
   ScopedEnvironment() : saved_(current()) {}

   ~ScopedEnvironment()
   {
      for (const auto& variable : current())
         if (saved_.count(variable.first) == 0)
            remove(variable.first);
      for (const auto& variable : saved_)
         put(variable.first, variable.second);
   }

   ScopedEnvironment(const ScopedEnvironment&) = delete;
   ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
#ifdef _WIN32
   using Text = std::wstring;

   // Entries that start with '=' are the current folders of the drives, not variables.
   static std::map<Text, Text> current()
   {
      std::map<Text, Text> variables;
      wchar_t* block = ::GetEnvironmentStringsW();
      for (const wchar_t* entry = block; entry != nullptr && *entry != L'\0'; entry += std::wcslen(entry) + 1)
      {
         const Text text = entry;
         const auto equals = text.find(L'=', 1);
         if (text[0] != L'=' && equals != Text::npos)
            variables.emplace(text.substr(0, equals), text.substr(equals + 1));
      }
      ::FreeEnvironmentStringsW(block);
      return variables;
   }

   static void remove(const Text& name)
   {
      ::_wputenv_s(name.c_str(), L"");
      ::SetEnvironmentVariableW(name.c_str(), nullptr);
   }

   static void put(const Text& name, const Text& value)
   {
      ::_wputenv_s(name.c_str(), value.c_str());
      ::SetEnvironmentVariableW(name.c_str(), value.c_str());
   }
#else
   using Text = std::string;

   static std::map<Text, Text> current()
   {
      std::map<Text, Text> variables;
      for (char** entry = environ; *entry != nullptr; ++entry)
      {
         const Text text = *entry;
         const auto equals = text.find('=');
         if (equals != Text::npos)
            variables.emplace(text.substr(0, equals), text.substr(equals + 1));
      }
      return variables;
   }

   static void remove(const Text& name) { ::unsetenv(name.c_str()); }
   static void put(const Text& name, const Text& value) { ::setenv(name.c_str(), value.c_str(), 1); }
#endif

   std::map<Text, Text> saved_;
};

} // namespace velorin::core::testing
