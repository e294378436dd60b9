// ProgramOptions.hpp: a program's options read from its command line and from a
// configuration file, with the options every program gets, a check that each declared
// option has a value, and errors on the terminal when there is one, in the log
// otherwise.
//
//   program_options::OptionsDescription options("example", "C:/app/example.conf");
//   options.commandLine.add_options()("port", po::value<int>(&port), "port to listen on");
//   bool help = false;
//   ProgramStatus status = program_options::read(options, argc, argv, nullptr, &help, false, false);
//   if (status.exit())
//      return status.exitCode();
//
// Every program gets "help" (the command-line options on standard output),
// "test-config" (exit with success once the options were found valid) and
// "config-file" (the configuration file in place of the default one). The option
// machinery is Boost.Program_options; an option read from both places keeps the value
// read first.
#pragma once

#include <string>
#include <vector>

#include <boost/program_options/options_description.hpp>
#include <boost/program_options/positional_options.hpp>
#include <boost/program_options/variables_map.hpp>

#include <core/ProgramStatus.hpp>

namespace velorin::core::program_options {

struct OptionsDescription
{
   OptionsDescription(const std::string& programName, const std::string& defaultConfigFile);

   std::string programName;
   // Read when the command line names no configuration file; may be empty.
   std::string defaultConfigFile;
   boost::program_options::options_description commandLine;
   boost::program_options::positional_options_description positionalOptions;
   boost::program_options::options_description configFile;
};

// Reads the options into the variables that the descriptions bind. With an
// unrecognized list, unknown command-line options and positional arguments are handed
// back there in command-line order; without one they are an error. help, when given,
// tells whether the help was printed.
//
// The command line is read first, unless configFileHasPrecedence: then the default
// configuration file is read first and always, its values winning, and a "config-file"
// on the command line only names the file in messages. Read first, the command line
// may name "none" as the configuration file, and none is read.
//
// Go on, exit with success (help printed, or "test-config"), or exit with failure after
// an error was reported.
ProgramStatus read(const OptionsDescription& optionsDescription,
                   int argc,
                   const char* const argv[],
                   std::vector<std::string>* unrecognized,
                   bool* help,
                   bool allowUnregisteredConfigOptions,
                   bool configFileHasPrecedence);

// Stores the file's config-file options in the map; an empty path reads nothing. A file
// that cannot be opened or read is reported, and false returned. One UTF-8 byte-order
// mark at the start of the file is skipped.
bool parseConfigFile(boost::program_options::variables_map& variables,
                     const std::string& configFile,
                     const OptionsDescription& optionsDescription,
                     bool allowUnregistered);

} // namespace velorin::core::program_options
