// ScopedEnvironment.hpp: saves the process's environment variables and puts them back
// when the scope ends, so that a test may set and unset variables freely without the
// tests after it, in the same process, seeing what it changed.
#pragma once

#include <cstdlib>
#include <map>
#include <string>

#include <unistd.h>

namespace velorin::core::testing {

class ScopedEnvironment
{
public:
   ScopedEnvironment() : saved_(current()) {}

   ~ScopedEnvironment()
   {
      for (const auto& variable : current())
         if (saved_.count(variable.first) == 0)
            ::unsetenv(variable.first.c_str());
      for (const auto& variable : saved_)
         ::setenv(variable.first.c_str(), variable.second.c_str(), 1);
   }

   ScopedEnvironment(const ScopedEnvironment&) = delete;
   ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
   static std::map<std::string, std::string> current()
   {
      std::map<std::string, std::string> variables;
      for (char** entry = environ; *entry != nullptr; ++entry)
      {
         const std::string text = *entry;
         const auto equals = text.find('=');
         if (equals != std::string::npos)
            variables.emplace(text.substr(0, equals), text.substr(equals + 1));
      }
      return variables;
   }

   std::map<std::string, std::string> saved_;
};

} // namespace velorin::core::testing
