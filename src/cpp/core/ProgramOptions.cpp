// ProgramOptions.cpp: the policy around Boost.Program_options: which sources are read
// in which order, the options every program gets, and where errors are reported.
#include <core/ProgramOptions.hpp>

#include <algorithm>
#include <exception>
#include <iostream>
#include <istream>
#include <map>
#include <memory>

#include <boost/algorithm/string/replace.hpp>
#include <boost/program_options/errors.hpp>
#include <boost/program_options/parsers.hpp>
#include <boost/program_options/value_semantic.hpp>

#include <core/system/System.hpp>
#include <shared_core/FilePath.hpp>
#include <shared_core/Logger.hpp>

#include "ByteOrderMark.hpp"

namespace po = boost::program_options;

namespace velorin::core::program_options {
namespace {

constexpr unsigned kLineLength = 80;
constexpr unsigned kMinDescriptionLength = 40;

// On the terminal a person reads the message; a program started by another finds it
// in the log.
void reportError(const std::string& message, const ErrorLocation& location)
{
   if (system::isStderrTerminal())
      std::cerr << message << std::endl;
   else
      log::logErrorMessage(message, location);
}

// Boost fills an option error's template by replacing a placeholder until none is left,
// so an option name or value that holds its own placeholder (a value "%value%") never
// gets its message. Such an error has its placeholders filled in one pass here; any
// other keeps Boost's own text.
class OptionErrorText : private po::error_with_option_name
{
public:
   explicit OptionErrorText(const po::error_with_option_name& error) : po::error_with_option_name(error) {}

   bool needsOnePass() const
   {
      const auto values = substitutions();
      return std::any_of(values.begin(), values.end(), [](const std::pair<const std::string, std::string>& value) {
         return value.second.find('%') != std::string::npos;
      });
   }

   std::string inOnePass() const
   {
      const std::map<std::string, std::string> values = substitutions();
      // The defaults change the template's own wording only, so they are safe as Boost
      // makes them.
      std::string text = m_error_template;
      for (const auto& fallback : m_substitution_defaults)
      {
         const auto value = values.find(fallback.first);
         if (value == values.end() || value->second.empty())
            boost::replace_all(text, fallback.second.first, fallback.second.second);
      }

      std::string message;
      std::string::size_type position = 0;
      for (;;)
      {
         const auto open = text.find('%', position);
         const auto close = open == std::string::npos ? open : text.find('%', open + 1);
         if (close == std::string::npos)
            break;
         const auto value = values.find(text.substr(open + 1, close - open - 1));
         if (value == values.end())
         {
            message.append(text, position, close - position);
            position = close;
         }
         else
         {
            message.append(text, position, open - position).append(value->second);
            position = close + 1;
         }
      }
      return message.append(text, position, std::string::npos);
   }

private:
   std::map<std::string, std::string> substitutions() const
   {
      std::map<std::string, std::string> values(m_substitutions);
      values["canonical_option"] = get_canonical_option_name();
      values["prefix"] = get_canonical_option_prefix();
      return values;
   }
};

std::string textOf(const std::exception& e)
{
   if (const auto* optionError = dynamic_cast<const po::error_with_option_name*>(&e))
   {
      const OptionErrorText text(*optionError);
      if (text.needsOnePass())
         return text.inOnePass();
   }
   return e.what();
}

void parseCommandLine(po::variables_map& variables,
                      const OptionsDescription& optionsDescription,
                      const po::options_description& commandLineOptions,
                      int argc,
                      const char* const argv[],
                      std::vector<std::string>* unrecognized)
{
   po::command_line_parser parser(argc, argv);
   parser.options(commandLineOptions).positional(optionsDescription.positionalOptions);
   if (unrecognized != nullptr)
      parser.allow_unregistered();
   const po::parsed_options parsed = parser.run();
   po::store(parsed, variables);
   po::notify(variables);
   if (unrecognized != nullptr)
      *unrecognized = po::collect_unrecognized(parsed.options, po::include_positional);
}

// An option that has a default always has a value here, so in effect this finds the
// first option without a default that was not given. Values are stored under the key
// Boost gives the option: its long name, or "-v" for one declared with a short name
// alone, which also names it in the message.
bool validateOptionsProvided(const po::variables_map& variables,
                             const po::options_description& options,
                             const std::string& configFile)
{
   for (const auto& option : options.options())
   {
      const std::string& name = option->key(option->long_name());
      if (variables.count(name) == 0)
      {
         std::string message = "Required option " + name + " not specified";
         if (!configFile.empty())
            message += " in config file " + configFile;
         reportError(message, ERROR_LOCATION);
         return false;
      }
   }
   return true;
}

} // namespace

OptionsDescription::OptionsDescription(const std::string& programName, const std::string& defaultConfigFile) :
   programName(programName),
   defaultConfigFile(defaultConfigFile),
   commandLine("command-line options", kLineLength, kMinDescriptionLength),
   configFile("config-file options", kLineLength, kMinDescriptionLength)
{
}

bool parseConfigFile(po::variables_map& variables,
                     const std::string& configFile,
                     const OptionsDescription& optionsDescription,
                     bool allowUnregistered)
{
   if (configFile.empty())
      return true;

   std::shared_ptr<std::istream> stream;
   if (FilePath(configFile).openForRead(stream))
   {
      reportError("Unable to open config file: " + configFile, ERROR_LOCATION);
      return false;
   }
   try
   {
      skipByteOrderMark(*stream);
      po::store(po::parse_config_file(*stream, optionsDescription.configFile, allowUnregistered), variables);
      po::notify(variables);
      return true;
   }
   catch (const std::exception& e)
   {
      reportError("Error reading " + configFile + ": " + textOf(e), ERROR_LOCATION);
      return false;
   }
}

ProgramStatus read(const OptionsDescription& optionsDescription,
                   int argc,
                   const char* const argv[],
                   std::vector<std::string>* unrecognized,
                   bool* help,
                   bool allowUnregisteredConfigOptions,
                   bool configFileHasPrecedence)
{
   if (help != nullptr)
      *help = false;
   std::string configFile;
   try
   {
      po::options_description general("general", kLineLength, kMinDescriptionLength);
      general.add_options()
         ("help", "print help message")
         ("test-config", "test to ensure the config file is valid")
         ("config-file",
          po::value<std::string>(&configFile)->default_value(optionsDescription.defaultConfigFile),
          "configuration file");
      po::options_description commandLineOptions(optionsDescription.commandLine);
      commandLineOptions.add(general);

      // Boost keeps the first value stored for an option, so the source read first wins.
      po::variables_map variables;
      if (configFileHasPrecedence)
      {
         configFile = optionsDescription.defaultConfigFile;
         if (!parseConfigFile(variables, configFile, optionsDescription, allowUnregisteredConfigOptions))
            return ProgramStatus::exitFailure();
         parseCommandLine(variables, optionsDescription, commandLineOptions, argc, argv, unrecognized);
      }
      else
      {
         parseCommandLine(variables, optionsDescription, commandLineOptions, argc, argv, unrecognized);
         if (configFile == "none")
            configFile.clear();
         if (!parseConfigFile(variables, configFile, optionsDescription, allowUnregisteredConfigOptions))
            return ProgramStatus::exitFailure();
      }

      if (variables.count("help") != 0)
      {
         if (help != nullptr)
            *help = true;
         std::cout << commandLineOptions;
         return ProgramStatus::exitSuccess();
      }
      if (!validateOptionsProvided(variables, optionsDescription.commandLine, std::string()))
         return ProgramStatus::exitFailure();
      if (!configFile.empty() && !validateOptionsProvided(variables, optionsDescription.configFile, configFile))
         return ProgramStatus::exitFailure();
      return variables.count("test-config") != 0 ? ProgramStatus::exitSuccess() : ProgramStatus::run();
   }
   catch (const po::error& e)
   {
      std::string message = textOf(e);
      if (!configFile.empty())
         message += " in config file " + configFile;
      reportError(message, ERROR_LOCATION);
   }
   catch (const std::exception& e)
   {
      log::logErrorMessage(std::string("Unexpected exception: ") + e.what());
   }
   catch (...)
   {
      log::logErrorMessage("Unknown exception");
   }
   return ProgramStatus::exitFailure();
}

} // namespace velorin::core::program_options
