// ConfigProfileFuzzer.cpp: profile texts built from sections, keys and values that the
// input chooses, with comments, blank lines, spacing and line ends of its choice, read
// back through the profile and compared with what went in: the sections listed by
// level in the order of the text, every parameter's value through lookups of one or
// several sections (the most specific applying section deciding, the default where
// none applies, a value that does not convert reported and leaving what was read
// before), and the reader's or the profile's first error for a text that breaks a rule.
// What is left of the input is then parsed as it stands: it fails with one of the
// profile's errors and leaves the sections as they were, or parses the same way twice.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include <core/ConfigProfile.hpp>

#include "FuzzCheck.hpp"
#include "FuzzText.hpp"

namespace {

using velorin::core::ConfigProfile;
using velorin::core::Error;
using velorin::fuzz::check;
using velorin::fuzz::trimmed;
using velorin::fuzz::withoutBytes;

enum class Type
{
   Text,
   Flag,
   Number
};

struct Param
{
   const char* name;
   Type type;
   const char* defaultText; // of a text parameter
};

// The parameters "logging.conf" is read with; the last one is registered by no one.
const Param kParams[] = {{"log-level", Type::Text, "warn"}, {"logger-type", Type::Text, "stderr"},
                         {"log-dir", Type::Text, "/logs"},  {"rotate", Type::Flag, ""},
                         {"max-size-mb", Type::Number, ""}, {"colour", Type::Text, ""}};
const std::size_t kRegisteredParams = 5;
const char* const kPrefixes[] = {"*", "@", ""};

ConfigProfile loggingProfile(bool withEmptyPrefix)
{
   ConfigProfile profile;
   if (withEmptyPrefix)
      profile.addSections({{0, "*"}, {1, "@"}, {2, ""}});
   else
      profile.addSections({{0, "*"}, {1, "@"}});
   profile.addParams("log-level", "warn", "logger-type", "stderr", "log-dir", "/logs", "rotate", true,
                     "max-size-mb", 2.0);
   return profile;
}

// A value as a lexical cast reads it: a flag's last character is '0' or '1', after an
// optional '+' (or '-' before a final '0') and any number of '0'.
bool readFlag(const std::string& text, bool* flag)
{
   if (text.empty() || (text.back() != '0' && text.back() != '1'))
      return false;
   std::string rest = text.substr(0, text.size() - 1);
   if (!rest.empty() && (rest[0] == '+' || (rest[0] == '-' && text.back() == '0')))
      rest.erase(0, 1);
   if (rest.find_first_not_of('0') != std::string::npos)
      return false;
   *flag = text.back() == '1';
   return true;
}

struct Section
{
   unsigned int level = 0;
   std::string name;
   std::vector<std::pair<std::string, std::string>> params;
};

// What the profile should hold after the text, or the description of its error.
struct Expected
{
   std::string error;
   std::vector<Section> sections;
   std::map<std::string, double> numbers; // every number text written, and its value
};

struct Entry
{
   std::string name;
   bool isSection = false;
   std::vector<std::pair<std::string, std::string>> keys;
};

std::string numberText(FuzzedDataProvider& provider, Expected* expected)
{
   const char* const kNotNumbers[] = {"", "abc", "1.5x", "--1", "1,5", ". 5"};
   if (provider.ConsumeBool())
      return provider.PickValueInArray(kNotNumbers);
   // Eighths print exactly and read back exactly.
   const double value = provider.ConsumeIntegralInRange<int>(-80000, 80000) / 8.0;
   char text[40];
   switch (provider.ConsumeIntegralInRange(0, 2))
   {
   case 0:
      std::snprintf(text, sizeof(text), "%.17g", value);
      break;
   case 1:
      std::snprintf(text, sizeof(text), "%+.3f", value);
      break;
   default:
      std::snprintf(text, sizeof(text), "%.0fe-3", value * 1000);
   }
   expected->numbers[text] = value;
   return text;
}

// Builds the text while following the reader's rules and then the profile's.
std::string buildText(FuzzedDataProvider& provider, bool withEmptyPrefix, Expected* expected)
{
   const std::string lineEnd = provider.ConsumeBool() ? "\r\n" : "\n";
   std::string text;
   std::vector<Entry> entries;
   bool inSection = false;
   const int entryCount = provider.ConsumeIntegralInRange(0, 6);
   for (int e = 0; e < entryCount && expected->error.empty(); ++e)
   {
      if (provider.ConsumeBool())
         text += provider.PickValueInArray({"; note", "# note", "", "  "}) + lineEnd;

      if (!inSection && provider.ConsumeIntegralInRange(0, 3) == 3)
      {
         // A key before the first section: an entry of its own, without keys.
         std::string key = trimmed(withoutBytes(provider.ConsumeRandomLengthString(12), "\n="));
         if (key.empty() || key[0] == '[' || key[0] == ';' || key[0] == '#')
            key = "x" + key;
         text += key + "=" + withoutBytes(provider.ConsumeRandomLengthString(8), "\n") + lineEnd;
         if (std::any_of(entries.begin(), entries.end(), [&](const Entry& entry) { return entry.name == key; }))
            expected->error = "duplicate key name";
         entries.push_back(Entry{key, false, {}});
         continue;
      }

      const std::string prefix = provider.PickValueInArray(kPrefixes);
      const std::string name = trimmed(prefix + withoutBytes(provider.ConsumeRandomLengthString(12), "\n]"));
      // One choice after the other, so that an input always means the same text.
      text += provider.PickValueInArray({"", " "});
      text += std::string("[") + provider.PickValueInArray({"", " "}) + name;
      text += provider.PickValueInArray({"", "\t"});
      text += std::string("]") + provider.PickValueInArray({"", " ; after"}) + lineEnd;
      // The reader drops a section without keys when the next one starts.
      if (inSection && entries.back().keys.empty())
         entries.pop_back();
      if (std::any_of(entries.begin(), entries.end(), [&](const Entry& entry) { return entry.name == name; }))
         expected->error = "duplicate section name";
      entries.push_back(Entry{name, true, {}});
      inSection = true;

      const int keyCount = provider.ConsumeIntegralInRange(0, 4);
      for (int k = 0; k < keyCount; ++k)
      {
         const Param& param = kParams[provider.ConsumeIntegralInRange<std::size_t>(0, std::size(kParams) - 1)];
         const std::string value = param.type == Type::Number
                                      ? numberText(provider, expected)
                                      : withoutBytes(provider.ConsumeRandomLengthString(16), "\n");
         text += std::string(param.name) + provider.PickValueInArray({"", " ", "\t"}) + "=";
         text += provider.PickValueInArray({"", " "}) + value + lineEnd;
         auto& keys = entries.back().keys;
         if (std::any_of(keys.begin(), keys.end(), [&](const auto& key) { return key.first == param.name; }) &&
             expected->error.empty())
            expected->error = "duplicate key name";
         keys.emplace_back(param.name, trimmed(value));
      }
   }
   if (inSection && entries.back().keys.empty())
      entries.pop_back();
   if (!expected->error.empty())
   {
      expected->error = "Could not parse config profile: " + expected->error;
      return text;
   }

   for (const Entry& entry : entries)
   {
      Section section;
      const char* const* prefix = std::find_if(std::begin(kPrefixes), std::end(kPrefixes), [&](const char* p) {
         return entry.name.compare(0, std::string(p).size(), p) == 0;
      });
      if (prefix == std::end(kPrefixes) || (!withEmptyPrefix && **prefix == '\0'))
      {
         expected->error = "Invalid config section " + entry.name;
         return text;
      }
      section.level = static_cast<unsigned int>(prefix - std::begin(kPrefixes));
      section.name = entry.name.substr(std::string(*prefix).size());
      for (const auto& key : entry.keys)
      {
         if (key.first == kParams[kRegisteredParams].name)
         {
            expected->error = "Unknown param " + key.first + " specified";
            return text;
         }
         section.params.push_back(key);
      }
      expected->sections.push_back(std::move(section));
   }
   std::stable_sort(expected->sections.begin(), expected->sections.end(),
                    [](const Section& a, const Section& b) { return a.level < b.level; });
   return text;
}

// Every parameter through the lookups, compared with a walk over the expected sections.
void checkParams(const ConfigProfile& profile,
                 const Expected& expected,
                 const ConfigProfile::LevelValues& lookups)
{
   for (std::size_t p = 0; p < kRegisteredParams; ++p)
   {
      const Param& param = kParams[p];
      std::string text = param.defaultText;
      bool flag = true;
      double number = 2.0;
      bool failed = false;
      for (const Section& section : expected.sections)
      {
         const bool named = std::find(lookups.begin(), lookups.end(), std::make_pair(section.level, section.name)) !=
                            lookups.end();
         const auto value = std::find_if(section.params.begin(), section.params.end(),
                                         [&](const auto& key) { return key.first == param.name; });
         if (!named || value == section.params.end() || failed)
            continue;
         if (param.type == Type::Text)
            text = value->second;
         else if (param.type == Type::Flag)
            failed = !readFlag(value->second, &flag);
         else if (expected.numbers.count(value->second) != 0)
            number = expected.numbers.at(value->second);
         else
            failed = true;
      }

      Error error;
      if (param.type == Type::Text)
      {
         std::string read;
         error = profile.getParam(param.name, &read, lookups);
         check(read == text);
      }
      else if (param.type == Type::Flag)
      {
         bool read = false;
         error = profile.getParam(param.name, &read, lookups);
         check(read == flag);
      }
      else
      {
         double read = 0;
         error = profile.getParam(param.name, &read, lookups);
         check(read == number);
      }
      check(failed ? error.getCode() == 22 && error.getProperty("description") ==
                                                  "Invalid type requested for param " + std::string(param.name)
                   : !error);
   }
}

bool startsWith(const std::string& text, const std::string& prefix)
{
   return text.compare(0, prefix.size(), prefix) == 0;
}

// Everything a caller can see of the parsed sections, for texts of any bytes.
std::vector<std::string> snapshot(const ConfigProfile& profile)
{
   std::vector<std::string> seen;
   for (unsigned int level = 0; level < 3; ++level)
   {
      for (const std::string& name : profile.getLevelNames(level))
      {
         seen.push_back(std::to_string(level) + "/" + name);
         std::string text;
         bool flag = false;
         double number = 0;
         for (std::size_t p = 0; p < kRegisteredParams; ++p)
         {
            const Param& param = kParams[p];
            const Error error = param.type == Type::Text   ? profile.getParam(param.name, &text, {{level, name}})
                                : param.type == Type::Flag ? profile.getParam(param.name, &flag, {{level, name}})
                                                           : profile.getParam(param.name, &number, {{level, name}});
            seen.push_back(text + "|" + std::to_string(flag) + "|" + std::to_string(number) + "|" +
                           std::to_string(error.getCode()));
         }
      }
   }
   return seen;
}

void checkTextAsItStands(const std::string& text, bool withEmptyPrefix)
{
   ConfigProfile profile = loggingProfile(withEmptyPrefix);
   check(!profile.parseString("[*]\nlog-level=info\n[@tool]\nrotate=0\n"));
   const std::vector<std::string> before = snapshot(profile);

   const Error error = profile.parseString(text);
   if (error)
   {
      const std::string description = error.getProperty("description");
      check(error.getCode() == 134 && error.getName() == "system");
      check(startsWith(description, "Could not parse config profile: ") ||
            startsWith(description, "Invalid config section ") || startsWith(description, "Unknown param "));
      check(snapshot(profile) == before);
      return;
   }
   ConfigProfile again = loggingProfile(withEmptyPrefix);
   check(!again.parseString(text));
   check(snapshot(again) == snapshot(profile));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   FuzzedDataProvider provider(data, size);
   const bool withEmptyPrefix = provider.ConsumeBool();
   Expected expected;
   const std::string text = buildText(provider, withEmptyPrefix, &expected);

   ConfigProfile profile = loggingProfile(withEmptyPrefix);
   // An earlier parse that a failing one must leave in place.
   check(!profile.parseString("[*]\nlog-level=before\n"));
   const Error error = profile.parseString(text);
   if (!expected.error.empty())
   {
      check(error.getCode() == 134 && error.getName() == "system" &&
            error.getProperty("description") == expected.error);
      Expected before;
      before.sections.push_back(Section{0, "", {{"log-level", "before"}}});
      checkParams(profile, before, {{0, ""}});
      check(profile.getLevelNames(0) == std::vector<std::string>{""});
      check(profile.getLevelNames(1).empty() && profile.getLevelNames(2).empty());
   }
   else
   {
      check(!error);
      ConfigProfile::LevelValues all;
      for (unsigned int level = 0; level < 3; ++level)
      {
         std::vector<std::string> names;
         for (const Section& section : expected.sections)
         {
            if (section.level == level)
               names.push_back(section.name);
         }
         check(profile.getLevelNames(level) == names);
      }
      for (const Section& section : expected.sections)
      {
         checkParams(profile, expected, {{section.level, section.name}});
         if (provider.ConsumeBool())
            all.emplace_back(section.level, section.name);
      }
      all.emplace_back(provider.ConsumeIntegralInRange(0u, 3u), "absent");
      checkParams(profile, expected, all);
   }

   checkTextAsItStands(provider.ConsumeRemainingBytesAsString(), withEmptyPrefix);
   return 0;
}
