// ProgramOptions.cpp: the policy around Boost.Program_options: which sources are read
// in which order, the options every program gets, and where errors are reported.
#include <core/ProgramOptions.hpp>

#include <exception>
#include <iostream>
#include <istream>
#include <memory>

#include <boost/program_options/errors.hpp>
#include <boost/program_options/parsers.hpp>
#include <boost/program_options/value_semantic.hpp>

#include <core/system/System.hpp>
#include <shared_core/FilePath.hpp>
#include <shared_core/Logger.hpp>

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
// first option without a default that was not given.
bool validateOptionsProvided(const po::variables_map& variables,
                             const po::options_description& options,
                             const std::string& configFile)
{
   for (const auto& option : options.options())
   {
      const std::string& name = option->long_name();
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
      po::store(po::parse_config_file(*stream, optionsDescription.configFile, allowUnregistered), variables);
      po::notify(variables);
      return true;
   }
   catch (const std::exception& e)
   {
      reportError("Error reading " + configFile + ": " + e.what(), ERROR_LOCATION);
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
      std::string message = e.what();
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
