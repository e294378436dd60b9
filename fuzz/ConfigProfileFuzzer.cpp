// ConfigProfileFuzzer.cpp: any text given to the profile parser either fails with one
// of its own errors and leaves the earlier sections, or parses to sections that hold
// only registered parameters and read back the same way every time.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <core/ConfigProfile.hpp>

#include "FuzzCheck.hpp"

namespace {

using velorin::core::ConfigProfile;
using velorin::core::Error;
using velorin::fuzz::check;

const char* const kParams[] = {"log-level", "logger-type", "log-dir", "rotate", "max-size-mb"};

// The levels and parameters "logging.conf" is read with.
ConfigProfile loggingProfile()
{
   ConfigProfile profile;
   profile.addSections({{0, "*"}, {1, "@"}, {2, ""}});
   profile.addParams("log-level", "warn", "logger-type", "stderr", "log-dir", "/logs", "rotate", true,
                     "max-size-mb", 2.0);
   return profile;
}

bool startsWith(const std::string& text, const std::string& prefix)
{
   return text.compare(0, prefix.size(), prefix) == 0;
}

// Everything a caller can see of the parsed sections.
std::vector<std::string> snapshot(const ConfigProfile& profile)
{
   std::vector<std::string> seen;
   for (unsigned int level = 0; level < 3; ++level)
   {
      for (const std::string& name : profile.getLevelNames(level))
      {
         seen.push_back(std::to_string(level) + "/" + name);
         for (const char* param : kParams)
         {
            std::string text;
            bool flag = false;
            double number = 0;
            const std::string paramName = param;
            Error error;
            if (paramName == "rotate")
               error = profile.getParam(param, &flag, {{level, name}});
            else if (paramName == "max-size-mb")
               error = profile.getParam(param, &number, {{level, name}});
            else
               error = profile.getParam(param, &text, {{level, name}});
            check(!error || (error.getCode() == 22 && startsWith(error.getProperty("description"),
                                                                 "Invalid type requested for param ")));
            seen.push_back(text + "|" + std::to_string(flag) + "|" + std::to_string(number) + "|" +
                           std::to_string(error.getCode()));
         }
      }
   }
   return seen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   const std::string input(reinterpret_cast<const char*>(data), size);

   ConfigProfile profile = loggingProfile();
   check(!profile.parseString("[*]\nlog-level=info\n[@tool]\nrotate=0\n[net]\nmax-size-mb=3\n"));
   const std::vector<std::string> before = snapshot(profile);

   const Error error = profile.parseString(input);
   if (error)
   {
      const std::string description = error.getProperty("description");
      check(error.getCode() == 134 && error.getName() == "system");
      check(startsWith(description, "Could not parse config profile: ") ||
            startsWith(description, "Invalid config section ") || startsWith(description, "Unknown param "));
      check(snapshot(profile) == before);
      return 0;
   }

   // The same text parses the same way into a fresh profile.
   ConfigProfile again = loggingProfile();
   check(!again.parseString(input));
   check(snapshot(again) == snapshot(profile));
   return 0;
}
