// ConfigProfile.hpp: INI-style configuration whose sections sit on levels.
//
//   ConfigProfile profile;
//   profile.addSections({{0, "*"}, {1, "@"}});
//   profile.addParams("log-level", "warn", "rotate", true);
//   Error error = profile.parseString("[*]\nlog-level=info\n[@tool]\nlog-level=debug\n");
//   std::string level;
//   profile.getParam("log-level", &level, {{0, ""}, {1, "tool"}});   // "debug"
//
// The owner registers every parameter it accepts, with its default, and the levels it
// knows, each with the prefix that marks its section names. A parse accepts only those
// parameters and sections; a query answers from the applying section of the highest
// level, or with the default. Errors are system errors 134 (the text) and 22 (a
// query), with the reason in the property "description".
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include <boost/any.hpp>
#include <boost/function.hpp>

#include <shared_core/Error.hpp>
#include <shared_core/FilePath.hpp>

namespace velorin::core {

class ConfigProfile
{
public:
   // (level id, section name) pairs, each naming one section a query may read.
   using LevelValues = std::vector<std::pair<unsigned int, std::string>>;
   // Whether the value text is acceptable; when not, it may say why in the message.
   using Validator = boost::function<bool(const std::string& value, std::string* pMessage)>;

   // Sets each level's prefix; a later pair with the same id replaces it.
   void addSections(const std::vector<std::pair<unsigned int, std::string>>& sections);

   // Registers (name, default) pairs; a default is a string, a bool or a double.
   template <typename Value, typename... Rest>
   void addParams(const std::string& name, const Value& defaultValue, const Rest&... rest)
   {
      addParam(name, defaultValue);
      if constexpr (sizeof...(rest) > 0)
         addParams(rest...);
   }

   // Parsing runs the validator of a parameter on every value given to it.
   void setValidator(const std::string& name, Validator validator);

   // On success the text's sections replace the stored ones; on failure nothing changes.
   // One UTF-8 byte-order mark at the start of the text is skipped.
   Error parseString(const std::string& profile);
   // Reads the file whole and parses it; a parse error names the file in its description.
   Error parseFile(const FilePath& filePath);

   Error validateParam(const std::string& name, const std::string& value) const;

   // Writes the default, then the value of every applying section in rising level
   // order. A value that does not convert ends the walk with error 22 and leaves the
   // output as it was. T must be the type the default was registered with.
   template <typename T>
   Error getParam(const std::string& name, T* pValue, LevelValues levels) const;

   // The names of the parsed sections of the level, in stored order.
   std::vector<std::string> getLevelNames(unsigned int level) const;

private:
   struct Section
   {
      unsigned int level;
      std::string name;
      std::map<std::string, std::string> params;
   };

   void addParam(const std::string& name, const std::string& defaultValue);
   // A literal is stored as its text, which is what a string query reads.
   void addParam(const std::string& name, const char* defaultValue);
   void addParam(const std::string& name, bool defaultValue);
   void addParam(const std::string& name, double defaultValue);

   std::map<std::string, boost::any> defaultValues_;
   std::map<std::string, Validator> validators_;
   std::map<unsigned int, std::string> sectionLevels_;
   std::vector<Section> sections_;
};

} // namespace velorin::core
