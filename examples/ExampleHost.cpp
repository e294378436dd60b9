// ExampleHost.cpp: a small host program showing how a program reads its options and
// sets up and uses the library's logging, error values, JSON values and system
// services. With "--jsonrpc" it answers one JSON-RPC request piped through it instead
// (JsonRpcPipe.cpp).
#include <iostream>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <boost/program_options/value_semantic.hpp>

#include <shared_core/Error.hpp>
#include <shared_core/FilePath.hpp>
#include <shared_core/Logger.hpp>
#include <shared_core/json/Json.hpp>

#include <core/ProgramOptions.hpp>
#include <core/system/LogSetup.hpp>
#include <core/system/System.hpp>

#include "JsonRpcPipe.hpp"

using namespace velorin::core;

namespace {

Error openConfiguration(const std::string& path)
{
   Error cause = systemError(2, ERROR_LOCATION); // the system cannot find the file
   Error error("ExampleError", 1, "Could not read the configuration", cause, ERROR_LOCATION);
   error.addProperty("path", path);
   return error;
}

// The greeting comes from the command line ("--greeting"), else from the file that
// "--config-file" names (a line "greeting=..."); "--help" lists the options.
ProgramStatus readOptions(int argc, const char* const argv[], std::string* greeting)
{
   program_options::OptionsDescription options("velorin-example", "");
   options.commandLine.add_options()(
      "greeting", boost::program_options::value<std::string>(greeting)->default_value("hello"), "what to say");
   options.configFile.add_options()(
      "greeting", boost::program_options::value<std::string>(greeting)->default_value("hello"), "what to say");
   bool help = false;
   return program_options::read(options, argc, argv, nullptr, &help, false, false);
}

// Standard error at DEBUG, unless "logging.conf" (in the per-user settings folder
// "Velorin-Desktop", else in the per-machine one "Velorin") says otherwise: it may, for
// example, send the lines to a file:
//
//   [@velorin-example]
//   logger-type=file
//   log-dir=C:/logs
//   [example]
//   logger-type=stderr
//
// where the section "example" adds a named logger, to standard error, for the lines
// logged to that section.
void setUpLogging()
{
   const Error error = system::initializeStderrLog("velorin-example", log::LogLevel::DEBUG, false);
   if (error)
      std::cerr << "Logging is off: " << error.asString() << std::endl;
   else
      std::cout << "Most verbose log level: " << system::logLevelToStr(system::lowestLogLevel()) << std::endl;
}

} // namespace

int main(int argc, char** argv)
{
   if (argc > 1 && std::string(argv[1]) == "--jsonrpc")
   {
#ifdef _WIN32
      // HTTP's CR LF line ends must pass as they are, not through text mode's
      // translation of line ends.
      _setmode(_fileno(stdin), _O_BINARY);
      _setmode(_fileno(stdout), _O_BINARY);
#endif
      return answerJsonRpcRequest(std::cin, std::cout);
   }

   setUpLogging();

   // Errors in the options go to the terminal, or to the log when there is none.
   std::string greeting;
   const ProgramStatus status = readOptions(argc, argv, &greeting);
   if (status.exit())
      return status.exitCode();
   std::cout << greeting << std::endl;

   log::logDebugMessage("starting up", ERROR_LOCATION);
   log::logInfoMessage("logging as logging.conf says");
   log::logInfoMessage("only for the logger named example", "example");
   log::logWarningMessage("this is a warning");
   log::logErrorMessage("this is an error message", ERROR_LOCATION);

   Error error = openConfiguration("C:/ProgramData/example.conf");
   if (error)
      log::logError(error, ERROR_LOCATION);

   json::Value settings;
   error = settings.parse(R"({"level": "debug", "ports": [80, 443]})");
   if (error)
      log::logError(error, ERROR_LOCATION);
   else
      log::logInfoMessage("settings: " + settings.write());

   std::cout << "Process id: " << system::currentProcessIdText() << std::endl;
   FilePath executable;
   error = system::executablePath(nullptr, &executable);
   if (error)
      log::logError(error, ERROR_LOCATION);
   else
      std::cout << "Executable: " << executable.getAbsolutePath() << std::endl;
   // Empty, with the reason logged, when the shell cannot give it.
   const FilePath settingsFolder = system::userSettingsPath(FilePath(), "velorin-example", true);
   std::cout << "Settings folder: " << settingsFolder.getAbsolutePath() << std::endl;
   std::cout << "A new UUID: " << system::newUuidText(true) << std::endl;
   return 0;
}
