// EnvironmentExpansionFuzzer.cpp: "%NAME%" expansion of arbitrary text against an
// environment the target sets up once. The result agrees with a plain expander written
// here: a set variable (its name matched without regard to ASCII case) gives its value,
// which is not expanded again; an unknown or empty name, or one holding '=', leaves its
// '%' and name as they stand, and its closing '%' may open the next reference; a '%'
// without a partner stays; the text ends at its first NUL; text and values are in the
// system code page.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <core/system/Environment.hpp>

#include "FuzzCheck.hpp"

extern char** environ;

namespace {

using velorin::fuzz::check;

// Every variable the process holds once set up, by upper-cased name.
std::map<std::string, std::string>& variables()
{
   static std::map<std::string, std::string> s_variables;
   return s_variables;
}

std::string upperAscii(std::string text)
{
   for (char& c : text)
   {
      if (c >= 'a' && c <= 'z')
         c = static_cast<char>(c - 'a' + 'A');
   }
   return text;
}

std::optional<std::string> lookUp(const std::string& name)
{
   if (name.empty() || name.find('=') != std::string::npos)
      return std::nullopt;
   const auto found = variables().find(upperAscii(name));
   if (found == variables().end())
      return std::nullopt;
   return found->second;
}

std::string referenceExpand(const std::string& text)
{
   std::string result;
   std::size_t position = 0;
   while (position < text.size())
   {
      const std::size_t open = text.find('%', position);
      if (open == std::string::npos)
         return result + text.substr(position);
      const std::size_t close = text.find('%', open + 1);
      if (close == std::string::npos)
         return result + text.substr(position);
      result += text.substr(position, open - position);
      if (const std::optional<std::string> value = lookUp(text.substr(open + 1, close - open - 1)))
      {
         result += *value;
         position = close + 1;
      }
      else
      {
         result += text.substr(open, close - open);
         position = close;
      }
   }
   return result;
}

// Only the sanitizers' own settings survive; the rest of the environment is the
// target's, so that the machine running it changes nothing.
void setUpEnvironment()
{
   std::vector<std::pair<std::string, std::string>> kept;
   for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
   {
      const std::string text = *entry;
      const std::size_t equals = text.find('=');
      const std::string name = text.substr(0, equals);
      if (equals != std::string::npos &&
          (name.find("_OPTIONS") != std::string::npos || name.find("SYMBOLIZER") != std::string::npos))
         kept.emplace_back(name, text.substr(equals + 1));
   }
   clearenv();
   for (const auto& [name, value] : kept)
      ::setenv(name.c_str(), value.c_str(), 1);

   const std::pair<const char*, std::string> fixed[] = {
      {"PATH", "/usr/bin"},
      {"A", "1"},
      {"Mixed_Case", "mixed"},
      {"EMPTY", ""},
      {"PERCENT", "%A%"},
      {"SIGN", "%"},
      {"SPACE NAME", "spaced"},
      {"LONG", std::string(300, 'L')},
      {"NON_ASCII", "caf\xc3\xa9"},
      {"USERNAME", "fuzzer"},
      {"USERPROFILE", "C:/Users/fuzzer"},
      {"PROCESSOR_ARCHITECTURE", "AMD64"},
      {"COMSPEC", "C:/Windows/system32/cmd.exe"},
   };
   for (const auto& [name, value] : fixed)
      ::setenv(name, value.c_str(), 1);

   for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
   {
      const std::string text = *entry;
      const std::size_t equals = text.find('=');
      variables()[upperAscii(text.substr(0, equals))] = text.substr(equals + 1);
   }
   // The narrow form reads values in the system code page (Windows-1252).
   variables()["NON_ASCII"] = "caf\xe9";
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
   setUpEnvironment();
   return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   const std::string text(reinterpret_cast<const char*>(data), size);

   std::string result = "untouched";
   check(!velorin::core::system::expandEnvironmentVariables(text, &result));
   check(result == referenceExpand(text.c_str()));
   return 0;
}
