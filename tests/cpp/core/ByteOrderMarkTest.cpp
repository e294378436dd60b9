// ByteOrderMarkTest.cpp: the configuration readers (profiles, program-options files,
// key/value and settings files) read a file that starts with a UTF-8 byte-order mark
// as they read it without one; only one mark is skipped, and only at the start.
#include <fstream>
#include <functional>
#include <string>

#include <boost/program_options/value_semantic.hpp>
#include <boost/program_options/variables_map.hpp>
#include <gtest/gtest.h>

#include <core/ConfigProfile.hpp>
#include <core/FileSerializer.hpp>
#include <core/ProgramOptions.hpp>
#include <core/Settings.hpp>

#include <CapturingLogDestination.hpp>
#include <ScratchFolder.hpp>

namespace po = boost::program_options;

namespace velorin::core {
namespace {

const std::string kMark = "\xEF\xBB\xBF";

// What a reader made of a file, as one text.
using ReadFile = std::function<std::string(const FilePath&)>;

std::string readProfile(const FilePath& path)
{
   ConfigProfile profile;
   profile.addSections({{0, "*"}, {1, "@"}, {2, std::string()}});
   profile.addParams("log-level", std::string("warn"));
   const Error error = profile.parseFile(path);
   if (error)
   {
      const std::string description = error.getProperty("description");
      return description.substr(0, description.find(" in file "));
   }
   std::string level;
   EXPECT_FALSE(profile.getParam("log-level", &level, {{0, std::string()}}));
   std::string result = "log-level=" + level;
   for (const std::string& name : profile.getLevelNames(2))
      result += " logger " + name;
   return result;
}

std::string readOptions(const FilePath& path)
{
   const auto log = testing::captureLog(); // where a failure is reported off a terminal
   program_options::OptionsDescription options("program", std::string());
   options.configFile.add_options()("port", po::value<int>(), "port")("name", po::value<std::string>(), "name");
   po::variables_map variables;
   if (!program_options::parseConfigFile(variables, path.getAbsolutePath(), options, false))
      return "failed";
   std::string result;
   for (const auto& entry : variables)
      result += entry.first + "=" +
                (entry.first == "port" ? std::to_string(entry.second.as<int>()) : entry.second.as<std::string>()) + " ";
   return result;
}

std::string readKeyValues(const FilePath& path)
{
   std::map<std::string, std::string> values;
   const Error error = readStringMapFromFile(path, &values);
   std::string result = error ? "failed " : "";
   for (const auto& entry : values)
      result += entry.first + "=" + entry.second + " ";
   return result;
}

std::string readSettings(const FilePath& path)
{
   Settings settings;
   const Error error = settings.initialize(path);
   std::string result = error ? "failed " : "";
   settings.forEach([&](const std::string& name, const std::string& value) { result += name + "=" + value + " "; });
   return result;
}

class ByteOrderMarkTest : public ::testing::Test
{
protected:
   std::string read(const ReadFile& reader, const std::string& bytes) const
   {
      const std::string path = (folder_ / "file.conf").string();
      std::ofstream(path, std::ios::binary) << bytes;
      return reader(FilePath(path));
   }

   const testing::ScratchFolder folder_{"byte-order-mark-%%%%-%%%%"};
};

TEST_F(ByteOrderMarkTest, OneLeadingMarkReadsAsNone)
{
   const struct
   {
      const char* reader;
      ReadFile read;
      std::string text;
      std::string result;
   } cases[] = {
      {"profile", readProfile, "[*]\nlog-level=info\n[audit]\nlog-level=debug\n", "log-level=info logger audit"},
      {"profile, a comment first", readProfile, "; comment\n[*]\nlog-level=info\n", "log-level=info"},
      {"profile, empty", readProfile, "", "log-level=warn"},
      {"options", readOptions, "port=8\nname=x\n", "name=x port=8 "},
      {"options, a comment first", readOptions, "# comment\nport=8\n", "port=8 "},
      {"options, empty", readOptions, "", ""},
      {"key/value", readKeyValues, "a=\"1\"\nb=2\n", "a=1 b=2 "},
      {"key/value, one line without its end", readKeyValues, "a=1", "a=1 "},
      {"key/value, empty", readKeyValues, "", ""},
      {"settings", readSettings, "admin=\"0\"\nport=\"8\"\n", "admin=0 port=8 "},
   };
   for (const auto& c : cases)
   {
      SCOPED_TRACE(c.reader);
      EXPECT_EQ(c.result, read(c.read, c.text));
      EXPECT_EQ(c.result, read(c.read, kMark + c.text));
   }
}

// A second mark, a mark after the start or a part of one is text of the file.
TEST_F(ByteOrderMarkTest, OnlyOneWholeMarkAtTheStartIsSkipped)
{
   const struct
   {
      const char* reader;
      ReadFile read;
      std::string bytes;
      std::string result;
   } cases[] = {
      {"profile, two marks", readProfile, kMark + kMark + "[*]\nlog-level=info\n",
       "Could not parse config profile: '=' character not found in line"},
      {"profile, part of a mark", readProfile, "\xEF\xBB[*]\nlog-level=info\n",
       "Could not parse config profile: '=' character not found in line"},
      {"options, two marks", readOptions, kMark + kMark + "port=8\n", "failed"},
      {"options, part of a mark", readOptions, "\xEF\xBBport=8\n", "failed"},
      {"key/value, two marks", readKeyValues, kMark + kMark + "a=1\n", kMark + "a=1 "},
      {"key/value, part of a mark", readKeyValues, "\xEF\xBB" "a=1\n", "\xEF\xBB" "a=1 "},
      {"key/value, the first byte of a mark", readKeyValues, "\xEF" "a=1\n", "\xEF" "a=1 "},
      {"key/value, a mark on the second line", readKeyValues, "a=1\n" + kMark + "b=2\n", "a=1 " + kMark + "b=2 "},
      {"key/value, a mark after a blank line", readKeyValues, "\n" + kMark + "b=2\n", kMark + "b=2 "},
   };
   for (const auto& c : cases)
   {
      SCOPED_TRACE(c.reader);
      EXPECT_EQ(c.result, read(c.read, c.bytes));
   }
}

} // namespace
} // namespace velorin::core
