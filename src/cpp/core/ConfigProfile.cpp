// ConfigProfile.cpp: parsing INI text into leveled sections, and reading parameters.
#include <core/ConfigProfile.hpp>

#include <algorithm>
#include <sstream>

#include <boost/lexical_cast/try_lexical_convert.hpp>
#include <boost/property_tree/ini_parser.hpp>
#include <boost/property_tree/ptree.hpp>

#include <core/FileSerializer.hpp>

#include "ByteOrderMark.hpp"

namespace velorin::core {
namespace {

// The C runtime's EINVAL and EPROTO, kept as the codes callers know these errors by.
constexpr int kInvalidArgument = 22;
constexpr int kProtocolError = 134;

bool convertValue(const std::string& text, std::string* pValue)
{
   *pValue = text;
   return true;
}

// lexical_cast's rules: "0" or "1", after any number of leading zeros and a sign.
bool convertValue(const std::string& text, bool* pValue)
{
   return boost::conversion::try_lexical_convert(text, *pValue);
}

bool convertValue(const std::string& text, double* pValue)
{
   return boost::conversion::try_lexical_convert(text, *pValue);
}

} // namespace

void ConfigProfile::addParam(const std::string& name, bool defaultValue)
{
   defaultValues_[name] = defaultValue;
}

void ConfigProfile::addParam(const std::string& name, const char* defaultValue)
{
   defaultValues_[name] = std::string(defaultValue);
}

void ConfigProfile::addParam(const std::string& name, const std::string& defaultValue)
{
   defaultValues_[name] = defaultValue;
}

void ConfigProfile::addParam(const std::string& name, double defaultValue)
{
   defaultValues_[name] = defaultValue;
}

void ConfigProfile::addSections(const std::vector<std::pair<unsigned int, std::string>>& sections)
{
   for (const auto& section : sections)
      sectionLevels_[section.first] = section.second;
}

std::vector<std::string> ConfigProfile::getLevelNames(unsigned int level) const
{
   std::vector<std::string> names;
   for (const Section& section : sections_)
      if (section.level == level)
         names.push_back(section.name);
   return names;
}

template <typename T>
Error ConfigProfile::getParam(const std::string& name, T* pValue, LevelValues levels) const
{
   const auto defaultValue = defaultValues_.find(name);
   if (defaultValue == defaultValues_.end())
      return systemError(kInvalidArgument, "Parameter not found", ERROR_LOCATION);
   *pValue = boost::any_cast<T>(defaultValue->second);

   for (const Section& section : sections_)
   {
      if (std::find(levels.begin(), levels.end(), std::make_pair(section.level, section.name)) == levels.end())
         continue;
      const auto value = section.params.find(name);
      if (value == section.params.end())
         continue;
      T converted;
      if (!convertValue(value->second, &converted))
         return systemError(kInvalidArgument, "Invalid type requested for param " + name, ERROR_LOCATION);
      *pValue = converted;
   }
   return Success();
}

template Error ConfigProfile::getParam(const std::string&, std::string*, LevelValues) const;
template Error ConfigProfile::getParam(const std::string&, bool*, LevelValues) const;
template Error ConfigProfile::getParam(const std::string&, double*, LevelValues) const;

Error ConfigProfile::parseFile(const FilePath& filePath)
{
   std::string profile;
   Error error = readStringFromFile(filePath, &profile, string_utils::LineEndingUnchanged);
   if (error)
      return error;

   error = parseString(profile);
   if (error)
      error.addOrUpdateProperty("description",
                                error.getProperty("description") + " in file " + filePath.getAbsolutePath());
   return error;
}

Error ConfigProfile::parseString(const std::string& profile)
{
   boost::property_tree::ptree tree;
   try
   {
      std::istringstream stream(profile);
      skipByteOrderMark(stream);
      boost::property_tree::ini_parser::read_ini(stream, tree);
   }
   catch (const boost::property_tree::file_parser_error& e)
   {
      // The bare reason: the reader's line number counts lines of a stream, not a file.
      return systemError(kProtocolError, "Could not parse config profile: " + e.message(), ERROR_LOCATION);
   }

   std::vector<Section> sections;
   for (const auto& entry : tree)
   {
      const std::string& entryName = entry.first;
      const auto level = std::find_if(sectionLevels_.begin(), sectionLevels_.end(), [&](const auto& candidate) {
         return entryName.compare(0, candidate.second.size(), candidate.second) == 0;
      });
      if (level == sectionLevels_.end())
         return systemError(kProtocolError, "Invalid config section " + entryName, ERROR_LOCATION);

      Section section{level->first, entryName.substr(level->second.size()), {}};
      for (const auto& param : entry.second)
      {
         if (defaultValues_.count(param.first) == 0)
            return systemError(kProtocolError, "Unknown param " + param.first + " specified", ERROR_LOCATION);
         const std::string& value = param.second.data();
         Error error = validateParam(param.first, value);
         if (error)
            return error;
         section.params[param.first] = value;
      }
      sections.push_back(std::move(section));
   }

   std::stable_sort(sections.begin(), sections.end(),
                    [](const Section& a, const Section& b) { return a.level < b.level; });
   sections_ = std::move(sections);
   return Success();
}

void ConfigProfile::setValidator(const std::string& name, Validator validator)
{
   if (validator)
      validators_[name] = std::move(validator);
}

Error ConfigProfile::validateParam(const std::string& name, const std::string& value) const
{
   const auto validator = validators_.find(name);
   if (validator == validators_.end())
      return Success();
   std::string message;
   if (validator->second(value, &message))
      return Success();
   return systemError(kProtocolError, "Param " + name + " is not valid: " + message, ERROR_LOCATION);
}

} // namespace velorin::core
