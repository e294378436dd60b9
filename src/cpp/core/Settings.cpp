// Settings.cpp: settings held in memory and written whole to their key/value file.
#include <core/Settings.hpp>

#include <locale>

#include <boost/system/error_code.hpp>

#include <platform/Win32Api.hpp>

#include <core/FileSerializer.hpp>
#include <shared_core/Logger.hpp>
#include <shared_core/SafeConvert.hpp>

namespace velorin::core {
namespace {

// The stored text converted, or the default when it is empty or does not convert.
template <typename T>
T typedValue(const Settings& settings, const std::string& name, T defaultValue)
{
   const std::string value = settings.get(name, std::string());
   if (value.empty())
      return defaultValue;
   return safe_convert::stringTo<T>(value, defaultValue);
}

// The C runtime's EINVAL, the code the configuration profiles give a bad argument, with
// the reason in "description" as they give it.
constexpr int kInvalidArgument = 22;

// Whether the name reads back from the file as written: the reader splits a line at
// its first '=', ends it at LF and trims the name, so any of these would store the
// value under another name, or lose it.
bool nameFitsTheFile(const std::string& name)
{
   if (name.find_first_of("=\r\n") != std::string::npos)
      return false;
   if (name.empty())
      return true;
   const std::locale global;
   return !std::isspace(name.front(), global) && !std::isspace(name.back(), global);
}

} // namespace

Settings::Settings() : updating_(false), dirty_(false)
{
}

Settings::~Settings() = default;

void Settings::beginUpdate()
{
   updating_ = true;
}

bool Settings::contains(const std::string& name) const
{
   return values_.count(name) != 0;
}

void Settings::endUpdate()
{
   updating_ = false;
   if (dirty_)
      writeSettings();
}

void Settings::forEach(const boost::function<void(const std::string& name, const std::string& value)>& function) const
{
   for (const auto& entry : values_)
      function(entry.first, entry.second);
}

std::string Settings::get(const std::string& name, const std::string& defaultValue) const
{
   const auto found = values_.find(name);
   return found == values_.end() ? defaultValue : found->second;
}

bool Settings::getBool(const std::string& name, bool defaultValue) const
{
   return typedValue(*this, name, defaultValue);
}

double Settings::getDouble(const std::string& name, double defaultValue) const
{
   return typedValue(*this, name, defaultValue);
}

int Settings::getInt(const std::string& name, int defaultValue) const
{
   return typedValue(*this, name, defaultValue);
}

Error Settings::initialize(const FilePath& filePath)
{
   file_ = filePath;
   values_.clear();
   Error error = readStringMapFromFile(file_, &values_);
   if (error == boost::system::error_code(static_cast<int>(ERROR_FILE_NOT_FOUND), boost::system::system_category()))
      return Success();
   if (error)
      error.addProperty("settings-file", file_);
   return error;
}

void Settings::set(const std::string& name, const std::string& value)
{
   if (!nameFitsTheFile(name))
   {
      Error error = systemError(kInvalidArgument, "Setting name cannot be stored in the file", ERROR_LOCATION);
      error.addProperty("name", name);
      log::logError(error, ERROR_LOCATION);
      return;
   }
   std::string& stored = values_[name];
   if (stored == value)
      return;
   stored = value;
   dirty_ = true;
   if (!updating_)
      writeSettings();
}

void Settings::set(const std::string& name, const char* value)
{
   set(name, value == nullptr ? std::string() : std::string(value));
}

void Settings::set(const std::string& name, int value)
{
   set(name, safe_convert::numberToString(value, true));
}

void Settings::set(const std::string& name, double value)
{
   set(name, safe_convert::numberToString(value, true));
}

void Settings::set(const std::string& name, bool value)
{
   set(name, std::string(value ? "1" : "0"));
}

void Settings::writeSettings()
{
   dirty_ = false;
   const Error error = writeStringMapToFile(file_, values_);
   if (error)
      log::logError(error, ERROR_LOCATION);
}

} // namespace velorin::core
