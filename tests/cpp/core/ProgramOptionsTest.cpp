// ProgramOptionsTest.cpp: options read from real command lines and configuration
// files in both orders, the messages of what is missing or wrong, and where those
// messages go: the terminal when standard error is one, the log otherwise.
#include <core/ProgramOptions.hpp>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <stdlib.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <boost/program_options/value_semantic.hpp>

#include <CapturingLogDestination.hpp>
#include <ScratchFolder.hpp>

namespace po = boost::program_options;

namespace velorin::core::program_options {
namespace {

#ifdef _WIN32
// Points standard error at a pipe for the life of the object. Windows has no
// pseudo-terminal to give a program, so the terminal cases are Linux's.
class RedirectedStderr
{
public:
   explicit RedirectedStderr(bool /*terminal*/) : saved_(::_dup(2))
   {
      int ends[2] = {-1, -1};
      ::_pipe(ends, 1 << 16, _O_BINARY);
      reader_ = ends[0];
      std::cerr.flush();
      ::_dup2(ends[1], 2);
      ::_close(ends[1]);
   }

   ~RedirectedStderr()
   {
      std::cerr.flush();
      ::_dup2(saved_, 2);
      ::_close(saved_);
      ::_close(reader_);
   }

   RedirectedStderr(const RedirectedStderr&) = delete;
   RedirectedStderr& operator=(const RedirectedStderr&) = delete;

   // What was written since the last call: only what the pipe holds, never waiting.
   std::string take()
   {
      std::cerr.flush();
      std::string text;
      char buffer[4096];
      const HANDLE pipe = reinterpret_cast<HANDLE>(::_get_osfhandle(reader_));
      DWORD available = 0;
      while (::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0)
      {
         const int count = ::_read(reader_, buffer, std::min<unsigned>(available, sizeof(buffer)));
         if (count <= 0)
            break;
         text.append(buffer, static_cast<std::size_t>(count));
      }
      return text;
   }

private:
   int saved_;
   int reader_ = -1;
};
#else
// Opens a pseudo-terminal in raw mode, so that line ends come back as they were
// written: the reading end in *reader, the writing end returned. -1, with nothing left
// open, where the system gives none (a container without /dev/pts).
int openPseudoTerminal(int* reader)
{
   *reader = ::posix_openpt(O_RDWR | O_NOCTTY);
   if (*reader < 0)
      return -1;
   const char* name = ::grantpt(*reader) == 0 && ::unlockpt(*reader) == 0 ? ::ptsname(*reader) : nullptr;
   const int writer = name != nullptr ? ::open(name, O_RDWR | O_NOCTTY) : -1;
   termios mode{};
   if (writer < 0 || ::tcgetattr(writer, &mode) != 0)
   {
      if (writer >= 0)
         ::close(writer);
      ::close(*reader);
      *reader = -1;
      return -1;
   }
   ::cfmakeraw(&mode);
   ::tcsetattr(writer, TCSANOW, &mode);
   return writer;
}

bool hasPseudoTerminal()
{
   int reader = -1;
   const int writer = openPseudoTerminal(&reader);
   if (writer < 0)
      return false;
   ::close(writer);
   ::close(reader);
   return true;
}

// Points standard error at a pseudo-terminal or at a pipe for the life of the object,
// so that where the reader reports does not depend on where the tests were started.
// Standard error stays where it was, and the test fails, when neither can be had.
class RedirectedStderr
{
public:
   explicit RedirectedStderr(bool terminal) : saved_(::dup(STDERR_FILENO))
   {
      int writer = -1;
      int ends[2] = {-1, -1};
      if (terminal)
         writer = openPseudoTerminal(&reader_);
      else if (::pipe(ends) == 0)
      {
         reader_ = ends[0];
         writer = ends[1];
      }
      if (writer < 0)
      {
         ADD_FAILURE() << "standard error cannot be pointed at a " << (terminal ? "pseudo-terminal" : "pipe");
         return;
      }
      ::fcntl(reader_, F_SETFL, ::fcntl(reader_, F_GETFL) | O_NONBLOCK);
      std::cerr.flush();
      ::dup2(writer, STDERR_FILENO);
      ::close(writer);
   }

   ~RedirectedStderr()
   {
      std::cerr.flush();
      ::dup2(saved_, STDERR_FILENO);
      ::close(saved_);
      ::close(reader_);
   }

   RedirectedStderr(const RedirectedStderr&) = delete;
   RedirectedStderr& operator=(const RedirectedStderr&) = delete;

   // What was written since the last call.
   std::string take()
   {
      std::cerr.flush();
      std::string text;
      char buffer[4096];
      ssize_t count;
      while ((count = ::read(reader_, buffer, sizeof(buffer))) > 0)
         text.append(buffer, static_cast<std::size_t>(count));
      return text;
   }

private:
   int saved_;
   int reader_ = -1;
};
#endif

// A command line built from texts; "@name" stands for the file of that name in the
// test's folder.
class CommandLine
{
public:
   CommandLine(const std::vector<std::string>& arguments, const std::string& folder)
   {
      texts_.push_back("program");
      for (const std::string& argument : arguments)
         texts_.push_back(expand(argument, folder));
      for (const std::string& text : texts_)
         pointers_.push_back(text.c_str());
   }

   static std::string expand(const std::string& text, const std::string& folder)
   {
      const auto at = text.find('@');
      return at == std::string::npos ? text : text.substr(0, at) + folder + "/" + text.substr(at + 1);
   }

   int argc() const { return static_cast<int>(pointers_.size()); }
   const char* const* argv() const { return pointers_.data(); }

private:
   std::vector<std::string> texts_;
   std::vector<const char*> pointers_;
};

struct Outcome
{
   bool exit;
   int exitCode;
   bool help;
   std::vector<std::string> errors; // as logged, after the level
   std::string helpText;
};

class ProgramOptionsTest : public ::testing::Test
{
protected:
   std::string folder() const { return folder_.string(); }
   // As "@name" expands, so that a file reads alike wherever its name is shown.
   std::string path(const std::string& name) const { return CommandLine::expand("@" + name, folder()); }

   void write(const std::string& name, const std::string& bytes) const
   {
      std::ofstream(path(name), std::ios::binary) << bytes;
   }

   // The default configuration file with the given text, or none for null.
   void setDefaultFile(const char* text) const
   {
      ::remove(path("default.conf").c_str());
      if (text != nullptr)
         write("default.conf", text);
   }

   // Expected messages with "@name" standing for files of the test's folder.
   std::vector<std::string> inFolder(const std::vector<std::string>& messages) const
   {
      std::vector<std::string> expanded;
      for (const std::string& message : messages)
         expanded.push_back(CommandLine::expand(message, folder()));
      return expanded;
   }

   // Reads with standard error on a pipe, so that errors go to the log.
   Outcome read(const OptionsDescription& options,
                const std::vector<std::string>& arguments,
                bool configFileHasPrecedence,
                std::vector<std::string>* unrecognized = nullptr,
                bool allowUnregisteredConfigOptions = false)
   {
      const CommandLine commandLine(arguments, folder());
      const auto log = testing::captureLog();
      RedirectedStderr stderrPipe(false);
      Outcome outcome{};
      outcome.help = true; // to be cleared by the reader unless it prints the help
      ::testing::internal::CaptureStdout();
      const ProgramStatus status = program_options::read(options,
                                                         commandLine.argc(),
                                                         commandLine.argv(),
                                                         unrecognized,
                                                         &outcome.help,
                                                         allowUnregisteredConfigOptions,
                                                         configFileHasPrecedence);
      outcome.helpText = ::testing::internal::GetCapturedStdout();
      outcome.exit = status.exit();
      outcome.exitCode = status.exitCode();
      for (const std::string& line : log->lines())
         outcome.errors.push_back(messageOf(line));
      EXPECT_EQ("", stderrPipe.take());
      return outcome;
   }

   // "ERROR message" from a logged line, without its time stamp, program and location.
   static std::string messageOf(const std::string& line)
   {
      std::string text = testing::withoutTimestamp(line);
      text = text.substr(text.find(']') + 2);
      const auto location = text.find("; LOGGED FROM");
      if (location != std::string::npos)
         text.erase(location);
      if (!text.empty() && text.back() == '\n')
         text.pop_back();
      return text;
   }

   testing::ScratchFolder folder_{"program-options-test-%%%%-%%%%"};
};

TEST_F(ProgramOptionsTest, TheOrderOfReadingDecidesWhichFileIsReadAndWhichValueWins)
{
   write("other.conf", "port=3\n");
   const struct
   {
      const char* name;
      bool configFileHasPrecedence;
      const char* defaultFile; // null: there is none
      std::vector<std::string> arguments;
      bool exit;
      std::vector<std::string> errors;
      int port;
   } cases[] = {
      {"command line first, no file", false, nullptr, {}, true, {"ERROR Unable to open config file: @default.conf"}, 0},
      {"command line first, none", false, nullptr, {"--config-file", "none"}, false, {}, 0},
      {"command line first, none in one", false, nullptr, {"--config-file=none"}, false, {}, 0},
      {"command line first, none ignores the file", false, "port=1\n", {"--config-file", "none"}, false, {}, 0},
      {"command line first, the file's value", false, "port=1\n", {}, false, {}, 1},
      {"command line first, the command line's value", false, "port=1\n", {"--port", "2"}, false, {}, 2},
      {"command line first, another file", false, "port=1\n", {"--config-file", "@other.conf"}, false, {}, 3},
      {"command line first, another file missing",
       false,
       "port=1\n",
       {"--config-file", "@missing.conf"},
       true,
       {"ERROR Unable to open config file: @missing.conf"},
       0},
      {"file first, none is a name",
       true,
       nullptr,
       {"--config-file", "none"},
       true,
       {"ERROR Unable to open config file: @default.conf"},
       0},
      {"file first, none still reads the file", true, "port=1\n", {"--config-file", "none"}, false, {}, 1},
      {"file first, the file's value", true, "port=1\n", {"--port", "2"}, false, {}, 1},
      {"file first, another file is not read", true, "port=1\n", {"--config-file", "@other.conf"}, false, {}, 1},
      {"file first, the command line's value", true, "\n", {"--port", "2"}, false, {}, 2},
   };
   for (const auto& test : cases)
   {
      setDefaultFile(test.defaultFile);
      int port = -1;
      OptionsDescription options("program", path("default.conf"));
      options.commandLine.add_options()("port", po::value<int>(&port)->default_value(0), "port");
      options.configFile.add_options()("port", po::value<int>(&port)->default_value(0), "port");

      const Outcome outcome = read(options, test.arguments, test.configFileHasPrecedence);
      EXPECT_EQ(test.exit, outcome.exit) << test.name;
      EXPECT_EQ(test.exit ? 1 : 0, outcome.exitCode) << test.name;
      EXPECT_EQ(inFolder(test.errors), outcome.errors) << test.name;
      if (!test.exit)
      {
         EXPECT_EQ(test.port, port) << test.name;
      }
   }
}

TEST_F(ProgramOptionsTest, AnOptionWithoutAValueIsNamedAndHelpComesFirst)
{
   const struct
   {
      const char* name;
      bool configFileHasPrecedence;
      const char* defaultFile; // null: there is none
      std::vector<std::string> arguments;
      bool exit;
      int exitCode;
      bool help;
      std::vector<std::string> errors;
   } cases[] = {
      {"a command-line option", false, "port=5\n", {}, true, 1, false, {"ERROR Required option name not specified"}},
      {"a config-file option",
       false,
       "\n",
       {"--name", "x"},
       true,
       1,
       false,
       {"ERROR Required option port not specified in config file @default.conf"}},
      {"a config-file option in another file",
       false,
       nullptr,
       {"--name", "x", "--config-file", "@other.conf"},
       true,
       1,
       false,
       {"ERROR Required option port not specified in config file @other.conf"}},
      {"the file read first, named from the command line",
       true,
       "\n",
       {"--name", "x", "--config-file", "@elsewhere.conf"},
       true,
       1,
       false,
       {"ERROR Required option port not specified in config file @elsewhere.conf"}},
      {"no file, no config-file options checked", false, nullptr, {"--name", "x", "--config-file", "none"}, false, 0, false, {}},
      {"all given", false, "port=5\n", {"--name", "x"}, false, 0, false, {}},
      {"test-config when valid", false, "port=5\n", {"--name", "x", "--test-config"}, true, 0, false, {}},
      {"test-config when not valid",
       false,
       "\n",
       {"--name", "x", "--test-config"},
       true,
       1,
       false,
       {"ERROR Required option port not specified in config file @default.conf"}},
      {"help before the check", false, "\n", {"--help"}, true, 0, true, {}},
      {"help after a file that cannot be opened",
       false,
       nullptr,
       {"--help"},
       true,
       1,
       false,
       {"ERROR Unable to open config file: @default.conf"}},
   };
   write("other.conf", "\n");
   for (const auto& test : cases)
   {
      setDefaultFile(test.defaultFile);
      OptionsDescription options("program", path("default.conf"));
      options.commandLine.add_options()("name", po::value<std::string>(), "the name")(
         "verbose", po::value<bool>()->default_value(false), "more output");
      options.configFile.add_options()("port", po::value<int>(), "the port");

      const Outcome outcome = read(options, test.arguments, test.configFileHasPrecedence);
      EXPECT_EQ(test.exit, outcome.exit) << test.name;
      EXPECT_EQ(test.exitCode, outcome.exitCode) << test.name;
      EXPECT_EQ(test.help, outcome.help) << test.name;
      EXPECT_EQ(inFolder(test.errors), outcome.errors) << test.name;
      if (test.help)
      {
         // The program's options, then the general ones, with the default file shown.
         // Each part is matched on its own: the regular expressions of Windows' GoogleTest
         // match no newline with ".".
         using ::testing::ContainsRegex;
         EXPECT_THAT(outcome.helpText, ContainsRegex("command-line options:\n  --name arg +the name\n"));
         EXPECT_THAT(outcome.helpText,
                     ContainsRegex("general:\n  --help +print help message\n"
                                   "  --test-config +test to ensure the config file is valid\n"
                                   "  --config-file arg \\(=.*default.conf\\)\\s+configuration file\n"))
            << outcome.helpText;
         EXPECT_LT(outcome.helpText.find("command-line options:"), outcome.helpText.find("general:"));
         EXPECT_EQ(std::string::npos, outcome.helpText.find("config-file options")) << test.name;
      }
      else
      {
         EXPECT_EQ("", outcome.helpText) << test.name;
      }
   }
}

// An option declared with a short name alone is stored, looked up and named by it.
TEST_F(ProgramOptionsTest, AShortOnlyOptionIsFoundAndNamedByItsShortName)
{
   const struct
   {
      const char* name;
      std::vector<std::string> arguments;
      bool exit;
      std::vector<std::string> errors;
      int verbosity;
      int level;
   } cases[] = {
      {"short-only given", {"-v", "3", "--level", "2"}, false, {}, 3, 2},
      {"short-only given in one", {"-v3", "--level", "2"}, false, {}, 3, 2},
      {"short-only missing", {"--level", "2"}, true, {"ERROR Required option -v not specified"}, -1, 2},
      {"long name given by its short name", {"-v", "3", "-l", "4"}, false, {}, 3, 4},
      {"long name missing", {"-v", "3"}, true, {"ERROR Required option level not specified"}, 3, -1},
   };
   for (const auto& test : cases)
   {
      SCOPED_TRACE(test.name);
      int verbosity = -1;
      int level = -1;
      OptionsDescription options("program", std::string());
      options.commandLine.add_options()(",v", po::value<int>(&verbosity), "verbosity")(
         "level,l", po::value<int>(&level), "level");

      const Outcome outcome = read(options, test.arguments, false);
      EXPECT_EQ(test.exit, outcome.exit);
      EXPECT_EQ(test.exit ? 1 : 0, outcome.exitCode);
      EXPECT_EQ(test.errors, outcome.errors);
      EXPECT_EQ(test.verbosity, verbosity);
      EXPECT_EQ(test.level, level);
   }
}

TEST_F(ProgramOptionsTest, UnknownAndMalformedOptionsAreReportedWithTheirSource)
{
   const struct
   {
      const char* name;
      bool configFileHasPrecedence;
      const char* defaultFile; // null: there is none
      bool allowUnregisteredConfigOptions;
      std::vector<std::string> arguments;
      bool exit;
      std::vector<std::string> errors;
   } cases[] = {
      {"an unknown option", false, nullptr, false, {"--bogus", "--config-file", "none"}, true,
       {"ERROR unrecognised option '--bogus'"}},
      {"an unknown option, the file read first", true, "\n", false, {"--bogus"}, true,
       {"ERROR unrecognised option '--bogus' in config file @default.conf"}},
      {"a positional argument", false, nullptr, false, {"positional", "--config-file", "none"}, true,
       {"ERROR too many positional options have been specified on the command line"}},
      {"a value that does not convert", false, nullptr, false, {"--port", "abc", "--config-file", "none"}, true,
       {"ERROR the argument ('abc') for option '--port' is invalid"}},
      {"a missing value", false, nullptr, false, {"--config-file", "none", "--port"}, true,
       {"ERROR the required argument for option '--port' is missing"}},
      {"an unknown option in the file", false, "bogus=1\n", false, {}, true,
       {"ERROR Error reading @default.conf: unrecognised option 'bogus'"}},
      {"an unknown option in the file, allowed", false, "bogus=1\n", true, {}, false, {}},
      {"a line that does not parse", false, "just words\n", true, {}, true,
       {"ERROR Error reading @default.conf: the options configuration file contains an invalid line 'just words'"}},
      {"a value in the file that does not convert", true, "port=abc\n", false, {}, true,
       {"ERROR Error reading @default.conf: the argument ('abc') for option 'port' is invalid"}},
      {"a value given twice in the file", false, "port=1\nport=2\n", false, {}, true,
       {"ERROR Error reading @default.conf: option 'port' cannot be specified more than once"}},
      // Texts that hold the placeholders of Boost's messages appear in them as they are.
      {"a value holding its placeholder", false, nullptr, false, {"--config-file=none", "--port=%value%"}, true,
       {"ERROR the argument ('%value%') for option '--port' is invalid"}},
      {"an option holding placeholders", false, nullptr, false, {"--config-file=none", "--%option%%prefix%"}, true,
       {"ERROR unrecognised option '--%option%%prefix%'"}},
      {"a name in the file holding its placeholder", false, "x%canonical_option%=1\n", false, {}, true,
       {"ERROR Error reading @default.conf: unrecognised option 'x%canonical_option%'"}},
      {"a line in the file holding its placeholder", false, "%invalid_line%\n", false, {}, true,
       {"ERROR Error reading @default.conf: the options configuration file contains an invalid line "
        "'%invalid_line%'"}},
   };
   for (const auto& test : cases)
   {
      setDefaultFile(test.defaultFile);
      OptionsDescription options("program", path("default.conf"));
      options.commandLine.add_options()("port", po::value<int>()->default_value(0), "port");
      options.configFile.add_options()("port", po::value<int>()->default_value(0), "port");

      const Outcome outcome =
         read(options, test.arguments, test.configFileHasPrecedence, nullptr, test.allowUnregisteredConfigOptions);
      EXPECT_EQ(test.exit, outcome.exit) << test.name;
      EXPECT_EQ(test.exit ? 1 : 0, outcome.exitCode) << test.name;
      EXPECT_EQ(inFolder(test.errors), outcome.errors) << test.name;
   }
}

TEST_F(ProgramOptionsTest, AnUnrecognizedListTakesUnknownOptionsAndPositionalArguments)
{
   int port = -1;
   std::vector<std::string> files;
   OptionsDescription options("program", "");
   options.commandLine.add_options()("port", po::value<int>(&port), "port")(
      "file", po::value<std::vector<std::string>>(&files), "files");
   options.positionalOptions.add("file", -1);
   std::vector<std::string> unrecognized{"left over"};
   const Outcome outcome =
      read(options, {"first", "--bogus=1", "--port", "2", "-x", "second", "--other", "value"}, false, &unrecognized);
   EXPECT_FALSE(outcome.exit);
   EXPECT_EQ(std::vector<std::string>{}, outcome.errors);
   EXPECT_EQ(2, port);
   EXPECT_EQ((std::vector<std::string>{"first", "second", "value"}), files);
   EXPECT_EQ((std::vector<std::string>{"first", "--bogus=1", "-x", "second", "--other", "value"}), unrecognized);
}

TEST_F(ProgramOptionsTest, ErrorsGoToATerminalOrElseToTheLog)
{
   const auto throwing = [](const std::string& value) {
      if (value == "std")
         throw std::runtime_error("boom");
      throw 42;
   };
   const struct
   {
      const char* name;
      std::vector<std::string> arguments;
      bool terminal;
      std::string onTerminal;
      std::vector<std::string> logged;
      bool located; // logged with the reader's location
   } cases[] = {
      {"on a terminal", {"--bogus"}, true, "unrecognised option '--bogus'\n", {}, false},
      {"without a terminal", {"--bogus"}, false, "", {"ERROR unrecognised option '--bogus'"}, true},
      {"a standard exception on a terminal", {"--throw", "std"}, true, "", {"ERROR Unexpected exception: boom"}, false},
      {"a standard exception", {"--throw", "std"}, false, "", {"ERROR Unexpected exception: boom"}, false},
      {"anything else on a terminal", {"--throw", "int"}, true, "", {"ERROR Unknown exception"}, false},
   };
#ifdef _WIN32
   const bool terminals = false; // Windows has no pseudo-terminal to give a program
#else
   const bool terminals = hasPseudoTerminal();
#endif
   for (const auto& test : cases)
   {
      if (test.terminal && !terminals)
         continue;
      OptionsDescription options("program", "");
      options.commandLine.add_options()("throw", po::value<std::string>()->notifier(throwing), "throws");
      const CommandLine commandLine(test.arguments, folder());
      const auto log = testing::captureLog();
      RedirectedStderr redirected(test.terminal);
      const ProgramStatus status =
         program_options::read(options, commandLine.argc(), commandLine.argv(), nullptr, nullptr, false, false);
      EXPECT_TRUE(status.exit()) << test.name;
      EXPECT_EQ(1, status.exitCode()) << test.name;
      EXPECT_EQ(test.onTerminal, redirected.take()) << test.name;
      std::vector<std::string> logged;
      for (const std::string& line : log->lines())
      {
         logged.push_back(messageOf(line));
         EXPECT_EQ(test.located, line.find("; LOGGED FROM: ") != std::string::npos) << test.name;
         EXPECT_EQ(test.located, line.find("ProgramOptions.cpp:") != std::string::npos) << test.name;
      }
      EXPECT_EQ(test.logged, logged) << test.name;
   }
#ifndef _WIN32
   if (!terminals)
      GTEST_SKIP() << "no pseudo-terminal (/dev/pts) to point standard error at: only the cases without one ran";
#endif
}

TEST_F(ProgramOptionsTest, NothingIsReadWithoutArgumentsOrAFile)
{
   OptionsDescription options("program", "");
   options.commandLine.add_options()("level", po::value<int>()->default_value(3), "level");
   EXPECT_TRUE(read(options, {}, false).errors.empty());
   EXPECT_FALSE(read(options, {}, true).exit);
   const ProgramStatus status = program_options::read(options, 0, nullptr, nullptr, nullptr, false, false);
   EXPECT_FALSE(status.exit());
}

} // namespace
} // namespace velorin::core::program_options
