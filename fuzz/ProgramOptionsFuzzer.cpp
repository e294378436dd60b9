// ProgramOptionsFuzzer.cpp: the program-options reader over any command line and any
// configuration file, in both orders of reading: it answers one of its three statuses,
// prints the help only when it says so, and hands back only tokens of the command line.
//
// Input: one byte of switches, then the command line, one argument per line, then a
// NUL byte and the configuration file's text.
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>
#include <boost/program_options/value_semantic.hpp>

#include <core/ProgramOptions.hpp>

#include "FuzzCheck.hpp"

namespace po = boost::program_options;
using namespace velorin::core;
using velorin::fuzz::check;

namespace {

// One file per fuzzing process, written anew for every input and removed at the end.
struct ScratchConfigFile
{
   ~ScratchConfigFile()
   {
      boost::system::error_code ignored;
      boost::filesystem::remove(path, ignored);
   }

   const std::string path = (boost::filesystem::temp_directory_path() /
                             boost::filesystem::unique_path("program-options-fuzz-%%%%%%%%.conf"))
                               .string();
};

const std::string& configFilePath()
{
   static const ScratchConfigFile file;
   return file.path;
}

// Arguments that name a path could lead the reader to a device that never ends, so
// only names in the working folder are left in.
std::vector<std::string> argumentsOf(const std::string& text)
{
   std::vector<std::string> arguments{"program"};
   std::string::size_type start = 0;
   while (start <= text.size() && !text.empty())
   {
      const auto end = std::min(text.find('\n', start), text.size());
      const std::string argument = text.substr(start, end - start);
      if (argument.find_first_of("/\\") == std::string::npos)
         arguments.push_back(argument);
      start = end + 1;
   }
   return arguments;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   if (size == 0)
      return 0;
   const unsigned switches = data[0];
   const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
   const auto separator = std::min(input.find('\0'), input.size());
   const std::vector<std::string> arguments = argumentsOf(input.substr(0, separator));
   const std::string configText = separator < input.size() ? input.substr(separator + 1) : std::string();
   std::ofstream(configFilePath(), std::ios::binary | std::ios::trunc) << configText;

   int port = 0;
   std::string name;
   std::vector<std::string> files;
   program_options::OptionsDescription options("program", (switches & 8) != 0 ? std::string() : configFilePath());
   options.commandLine.add_options()
      ("port,p", po::value<int>(&port)->default_value(80), "port")
      ("name", po::value<std::string>(&name), "name")
      ("verbose,v", po::bool_switch(), "verbose")
      ("file", po::value<std::vector<std::string>>(&files)->composing(), "files");
   options.positionalOptions.add("file", -1);
   options.configFile.add_options()
      ("port", po::value<int>(&port)->default_value(80), "port")
      ("section.key", po::value<std::string>()->default_value("value"), "key")
      ("ratio", po::value<double>(), "ratio");

   std::vector<const char*> argv;
   for (const std::string& argument : arguments)
      argv.push_back(argument.c_str());
   std::vector<std::string> unrecognized;
   bool help = false;
   const ProgramStatus status = program_options::read(options,
                                                      static_cast<int>(argv.size()),
                                                      argv.data(),
                                                      (switches & 4) != 0 ? &unrecognized : nullptr,
                                                      &help,
                                                      (switches & 2) != 0,
                                                      (switches & 1) != 0);

   const bool goOn = !status.exit() && status.exitCode() == 0;
   const bool exitSuccess = status.exit() && status.exitCode() == 0;
   const bool exitFailure = status.exit() && status.exitCode() == 1;
   check(goOn || exitSuccess || exitFailure);
   check(!help || exitSuccess);
   for (const std::string& token : unrecognized)
      check(std::find(arguments.begin() + 1, arguments.end(), token) != arguments.end());
   return 0;
}
