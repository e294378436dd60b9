// ProgramOptionsFuzzer.cpp: command lines and configuration files written from values
// that the input chooses (numbers, texts, switches, positional and unknown arguments, in
// any order and in the option forms the parser takes), read back through the reader in
// either order and compared with what went in: the status it answers, the help flag,
// every bound value with the first source read winning, and the unrecognized tokens in
// command-line order.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include <boost/filesystem.hpp>
#include <boost/program_options/value_semantic.hpp>

#include <fuzzer/FuzzedDataProvider.h>

#include <core/ProgramOptions.hpp>

#include "FuzzCheck.hpp"
#include "FuzzText.hpp"

namespace po = boost::program_options;
using namespace velorin::core;
using velorin::fuzz::check;
using velorin::fuzz::trimmed;
using velorin::fuzz::withoutBytes;

namespace {

// One folder per fuzzing process, removed at the end; the configuration file in it is
// written anew for every input, the missing one never.
struct ScratchFolder
{
   ScratchFolder() { boost::filesystem::create_directories(path); }

   ~ScratchFolder()
   {
      boost::system::error_code ignored;
      boost::filesystem::remove_all(path, ignored);
   }

   const boost::filesystem::path path =
      boost::filesystem::temp_directory_path() / boost::filesystem::unique_path("program-options-fuzz-%%%%%%%%");
   const std::string configFile = (path / "options.conf").string();
   const std::string missingFile = (path / "missing.conf").string();
};

const ScratchFolder& scratch()
{
   static const ScratchFolder folder;
   return folder;
}

// Texts that stay one value wherever they are written: no NUL for argv; for the
// configuration file no line end, no comment sign, and no outer white space, which its
// parser trims (spaces, tabs, CR and LF).
std::string plainText(FuzzedDataProvider& provider, bool forFile)
{
   const std::string text = withoutBytes(provider.ConsumeRandomLengthString(16),
                                         forFile ? std::string("\0\n\v\f#", 5) : std::string(1, '\0'));
   return forFile ? trimmed(text) : text;
}

// One argument or a few that belong together, and what they stand for.
struct Item
{
   std::vector<std::string> tokens;
   bool handedBack = false; // an unknown option or a positional argument
   std::string file;        // a file named by the item, positional or not
   bool isFile = false;
};

Item item(std::vector<std::string> tokens, bool handedBack = false)
{
   Item made;
   made.tokens = std::move(tokens);
   made.handedBack = handedBack;
   return made;
}

Item fileItem(const std::string& token, const std::string& file, bool positional)
{
   Item made = item({token}, positional);
   made.file = file;
   made.isFile = true;
   return made;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
   // The help goes nowhere.
   std::cout.setstate(std::ios::badbit);
   scratch();
   return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   FuzzedDataProvider provider(data, size);
   const bool withUnrecognizedList = provider.ConsumeBool();
   const bool allowUnregisteredConfigOptions = provider.ConsumeBool();
   const bool configFileFirst = provider.ConsumeBool();
   const bool withDefaultFile = provider.ConsumeBool();
   const std::string defaultFile = withDefaultFile ? scratch().configFile : std::string();

   // The command line, item by item, each put at a place the input chooses.
   std::vector<Item> items;
   const auto place = [&](Item item) {
      items.insert(items.begin() + provider.ConsumeIntegralInRange<std::size_t>(0, items.size()), std::move(item));
   };
   bool portGiven = provider.ConsumeBool();
   const int commandLinePort = provider.ConsumeIntegral<int>();
   if (portGiven)
   {
      const std::string value = std::to_string(commandLinePort);
      const bool separate = commandLinePort >= 0 && provider.ConsumeBool();
      const bool shortName = provider.ConsumeBool();
      place(separate ? item({shortName ? "-p" : "--port", value})
                     : item({shortName ? "-p" + value : "--port=" + value}));
   }
   const bool nameGiven = provider.ConsumeBool();
   const std::string name = plainText(provider, false);
   if (nameGiven)
   {
      // The parser takes no empty value after an equal sign.
      const bool separate = name.empty() || (name[0] != '-' && provider.ConsumeBool());
      place(separate ? item({"--name", name}) : item({"--name=" + name}));
   }
   const bool verbose = provider.ConsumeBool();
   if (verbose)
      place(item({provider.ConsumeBool() ? "-v" : "--verbose"}));
   const int fileCount = provider.ConsumeIntegralInRange(0, 3);
   for (int i = 0; i < fileCount; ++i)
   {
      std::string file = plainText(provider, false);
      if (provider.ConsumeBool())
      {
         file = "f" + file;
         place(fileItem("--file=" + file, file, false));
      }
      else
      {
         if (file.empty() || file[0] == '-')
            file = "f" + file;
         place(fileItem(file, file, true));
      }
   }
   const int unknownCount = provider.ConsumeIntegralInRange(0, 2);
   for (int i = 0; i < unknownCount; ++i)
      place(item({"--bogus" + std::to_string(i) + "=v" + plainText(provider, false)}, true));
   const bool help = provider.ConsumeIntegralInRange(0, 7) == 7;
   if (help)
      place(item({"--help"}));
   const bool testConfig = provider.ConsumeBool();
   if (testConfig)
      place(item({"--test-config"}));
   const char* const kConfigChoices[] = {"", "file", "none", "missing"};
   const std::string configChoice = provider.PickValueInArray(kConfigChoices);
   std::string commandLineConfig;
   if (!configChoice.empty())
   {
      commandLineConfig = configChoice == "file"      ? scratch().configFile
                          : configChoice == "missing" ? scratch().missingFile
                                                      : configChoice;
      place(provider.ConsumeBool() ? item({"--config-file", commandLineConfig})
                                   : item({"--config-file=" + commandLineConfig}));
   }

   // The configuration file.
   std::string fileText = provider.ConsumeBool() ? "\xEF\xBB\xBF" : "";
   const bool filePortGiven = provider.ConsumeBool();
   const int filePort = provider.ConsumeIntegral<int>();
   if (filePortGiven)
      fileText += "port" + std::string(provider.ConsumeBool() ? " = " : "=") + std::to_string(filePort) + "\n";
   if (provider.ConsumeBool())
      fileText += "# a comment\n\n";
   const bool ratioGiven = provider.ConsumeBool();
   const bool ratioValid = provider.ConsumeIntegralInRange(0, 7) != 7;
   // Eighths print exactly and read back exactly.
   const double ratio = provider.ConsumeIntegralInRange<int>(-8000, 8000) / 8.0;
   if (ratioGiven)
   {
      char text[40];
      std::snprintf(text, sizeof(text), "%.17g", ratio);
      fileText += "ratio=" + (ratioValid ? std::string(text) : std::string(text) + "x") + "\n";
   }
   const bool unknownInFile = provider.ConsumeIntegralInRange(0, 3) == 3;
   if (unknownInFile)
      fileText += "other=" + plainText(provider, true) + "\n";
   const bool keyGiven = provider.ConsumeBool();
   const std::string key = plainText(provider, true);
   if (keyGiven)
      fileText += "[section]\nkey=" + key + "\n";
   std::ofstream(scratch().configFile, std::ios::binary | std::ios::trunc) << fileText;

   int port = 0;
   std::string readName = "unset";
   bool readVerbose = false;
   std::vector<std::string> files;
   std::string readKey;
   double readRatio = 0;
   program_options::OptionsDescription options("program", defaultFile);
   options.commandLine.add_options()
      ("port,p", po::value<int>(&port)->default_value(80), "port")
      ("name", po::value<std::string>(&readName), "name")
      ("verbose,v", po::bool_switch(&readVerbose), "verbose")
      ("file", po::value<std::vector<std::string>>(&files)->composing(), "files");
   options.positionalOptions.add("file", -1);
   options.configFile.add_options()
      ("port", po::value<int>(&port)->default_value(80), "port")
      ("section.key", po::value<std::string>(&readKey)->default_value("value"), "key")
      ("ratio", po::value<double>(&readRatio), "ratio");

   std::vector<std::string> arguments{"program"};
   for (const Item& item : items)
      arguments.insert(arguments.end(), item.tokens.begin(), item.tokens.end());
   std::vector<const char*> argv;
   for (const std::string& argument : arguments)
      argv.push_back(argument.c_str());
   std::vector<std::string> unrecognized{"stale"};
   bool helpPrinted = true;
   const ProgramStatus status =
      program_options::read(options, static_cast<int>(argv.size()), argv.data(),
                            withUnrecognizedList ? &unrecognized : nullptr, &helpPrinted,
                            allowUnregisteredConfigOptions, configFileFirst);

   // Which file is read, and under which name the file's options are checked.
   std::string fileRead = defaultFile;
   std::string fileChecked = commandLineConfig.empty() ? defaultFile : commandLineConfig;
   if (!configFileFirst)
   {
      if (fileChecked == "none")
         fileChecked.clear();
      fileRead = fileChecked;
   }
   const bool fileReadable = fileRead.empty() || fileRead == scratch().configFile;
   const bool fileParses = fileRead.empty() || ((ratioValid || !ratioGiven) &&
                                                (!unknownInFile || allowUnregisteredConfigOptions));
   const bool commandLineParses = withUnrecognizedList || unknownCount == 0;
   const bool readsCleanly = fileReadable && fileParses && commandLineParses;
   const bool fileGivesRatio = !fileRead.empty() && ratioGiven;
   const bool valuesComplete = nameGiven && fileCount > 0 && (fileChecked.empty() || fileGivesRatio);

   check(helpPrinted == (readsCleanly && help));
   if (!readsCleanly || (!help && !valuesComplete))
   {
      check(status.exit() && status.exitCode() == 1);
      return 0;
   }
   check(status.exit() == (help || testConfig) && status.exitCode() == 0);
   if (help)
      return 0;

   const bool fileGivesPort = !fileRead.empty() && filePortGiven;
   int expectedPort = 80;
   if (portGiven && (!configFileFirst || !fileGivesPort))
      expectedPort = commandLinePort;
   else if (fileGivesPort)
      expectedPort = filePort;
   check(port == expectedPort);
   check(readName == name);
   check(readVerbose == verbose);
   std::vector<std::string> expectedFiles;
   std::vector<std::string> handedBack;
   for (const Item& item : items)
   {
      if (item.isFile)
         expectedFiles.push_back(item.file);
      if (item.handedBack)
         handedBack.push_back(item.tokens.front());
   }
   check(files == expectedFiles);
   if (withUnrecognizedList)
      check(unrecognized == handedBack);
   if (!fileRead.empty())
   {
      check(readKey == (keyGiven ? key : "value"));
      check(readRatio == (ratioGiven ? ratio : 0));
   }
   return 0;
}
