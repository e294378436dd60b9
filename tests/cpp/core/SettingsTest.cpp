// SettingsTest.cpp: settings loaded from, and written byte for byte to, real files;
// when they are written, and what typed reads make of stored text.
#include <core/Settings.hpp>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>

#include <CapturingLogDestination.hpp>
#include <ScratchFolder.hpp>

namespace velorin::core {
namespace {

class SettingsTest : public ::testing::Test
{
protected:
   FilePath file(const std::string& name = "settings.conf") const { return FilePath((folder_ / name).string()); }

   FilePath fileWith(const std::string& bytes, const std::string& name = "settings.conf") const
   {
      std::ofstream((folder_ / name).string(), std::ios::binary) << bytes;
      return file(name);
   }

   std::string bytesOf(const FilePath& path) const
   {
      std::ifstream stream(path.getAbsolutePath(), std::ios::binary);
      return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
   }

   // How often the file was replaced while the action ran: each write of the settings
   // moves a fresh file into place once.
   template <typename Action>
   long writesDuring(Action action) const
   {
      platform::startRecordingCalls();
      action();
      const std::vector<std::string> calls = platform::takeRecordedCalls();
      return std::count(calls.begin(), calls.end(), "MoveFileExW");
   }

   testing::ScratchFolder folder_{"settings-test-%%%%-%%%%"};
};

TEST_F(SettingsTest, ValuesAreWrittenByteForByteAndReadBack)
{
   const FilePath path = file();
   {
      Settings settings;
      ASSERT_FALSE(settings.initialize(path));
      EXPECT_FALSE(boost::filesystem::exists(path.getAbsolutePath()));
      // An absent name set empty writes nothing; the next write takes it along.
      settings.set("empty", std::string());
      settings.set("text", std::string("say \"hi\"\nthen\tgo"));
      settings.set("literal", "as written");
      settings.set("count", 42);
      settings.set("negative", -7);
      settings.set("ratio", 0.5);
      settings.set("on", true);
      settings.set("off", false);
   }
   EXPECT_EQ("count=\"42\"\n"
             "empty=\"\"\n"
             "literal=\"as written\"\n"
             "negative=\"-7\"\n"
             "off=\"0\"\n"
             "on=\"1\"\n"
             "ratio=\"0.500000\"\n"
             "text=\"say \\\"hi\\\"\\nthen\\tgo\"\n",
             bytesOf(path));

   Settings settings;
   ASSERT_FALSE(settings.initialize(path));
   EXPECT_EQ("say \"hi\"\nthen\tgo", settings.get("text", "default"));
   EXPECT_EQ("as written", settings.get("literal", "default"));
   EXPECT_EQ(42, settings.getInt("count", 0));
   EXPECT_EQ(-7, settings.getInt("negative", 0));
   EXPECT_EQ(0.5, settings.getDouble("ratio", 0.0));
   EXPECT_TRUE(settings.getBool("on", false));
   EXPECT_FALSE(settings.getBool("off", true));
   EXPECT_TRUE(settings.contains("empty"));
   EXPECT_EQ("", settings.get("empty", "default"));
   EXPECT_FALSE(settings.contains("absent"));
   EXPECT_EQ("default", settings.get("absent", "default"));

   std::vector<std::pair<std::string, std::string>> entries;
   settings.forEach([&](const std::string& name, const std::string& value) { entries.emplace_back(name, value); });
   ASSERT_EQ(8u, entries.size());
   EXPECT_EQ(std::make_pair(std::string("count"), std::string("42")), entries.front());
   EXPECT_EQ("text", entries.back().first);
}

TEST_F(SettingsTest, AStringLiteralIsStoredAsItsText)
{
   Settings settings;
   ASSERT_FALSE(settings.initialize(file()));
   settings.set("null", static_cast<const char*>(nullptr));
   settings.set("name", "text");
   const char* pointer = "pointed";
   settings.set("pointer", pointer);
   EXPECT_EQ("text", settings.get("name", ""));
   EXPECT_EQ("pointed", settings.get("pointer", ""));
   EXPECT_TRUE(settings.contains("null"));
   EXPECT_EQ("", settings.get("null", "default"));
   EXPECT_EQ("name=\"text\"\nnull=\"\"\npointer=\"pointed\"\n", bytesOf(file()));
}

TEST_F(SettingsTest, OnlyEffectiveChangesOutsideABatchWrite)
{
   Settings settings;
   ASSERT_FALSE(settings.initialize(file()));
   const struct
   {
      const char* name;
      std::function<void()> change;
      long writes;
   } cases[] = {
      {"a new value", [&] { settings.set("a", "1"); }, 1},
      {"the same text again", [&] { settings.set("a", "1"); }, 0},
      {"the same value typed", [&] { settings.set("a", 1); }, 0},
      {"the same value as bool", [&] { settings.set("a", true); }, 0},
      {"a changed value", [&] { settings.set("a", "2"); }, 1},
      {"a double again", [&] { settings.set("d", 0.5); settings.set("d", 0.5); }, 1},
      {"an absent name set empty", [&] { settings.set("e", ""); }, 0},
      {"a direct write", [&] { settings.writeSettings(); }, 1},
      {"an empty batch", [&] { settings.beginUpdate(); settings.set("a", "2"); settings.endUpdate(); }, 0},
      {"three changes in a batch",
       [&] {
          settings.beginUpdate();
          settings.set("a", "3");
          settings.set("b", 4);
          settings.beginUpdate(); // no nesting: one end closes the batch
          settings.set("c", false);
          settings.endUpdate();
       },
       1},
      {"a change after the batch ended", [&] { settings.set("a", "4"); }, 1},
   };
   for (const auto& test : cases)
   {
#ifndef _WIN32 // the platform calls are recorded over the Linux stand-ins only
      EXPECT_EQ(test.writes, writesDuring(test.change)) << test.name;
#else
      test.change();
#endif
   }
   EXPECT_EQ("a=\"4\"\nb=\"4\"\nc=\"0\"\nd=\"0.500000\"\ne=\"\"\n", bytesOf(file()));
}

TEST_F(SettingsTest, ChangesOfABatchThatNeverEndsAreNotWritten)
{
   const FilePath path = fileWith("kept=\"yes\"\n");
   {
      Settings settings;
      ASSERT_FALSE(settings.initialize(path));
      settings.beginUpdate();
      settings.set("kept", "no");
      settings.set("added", 1);
      EXPECT_EQ("kept=\"yes\"\n", bytesOf(path));
   }
   EXPECT_EQ("kept=\"yes\"\n", bytesOf(path));
}

TEST_F(SettingsTest, MalformedLinesAreSkippedAndTheFirstOfARepeatedNameKept)
{
   const FilePath path = fileWith("no equals sign\n"
                                  "\n"
                                  "  spaced  =  \"padded\"  \n"
                                  "=\"no name\"\n"
                                  "bare=unquoted text\n"
                                  "broken=\"unterminated\n"
                                  "twice=\"first\"\n"
                                  "twice=\"second\"\n"
                                  "\xff\xfe=\"\xc3\"\n");
   Settings settings;
   ASSERT_FALSE(settings.initialize(path));
   EXPECT_EQ("padded", settings.get("spaced", "default"));
   EXPECT_EQ("unquoted text", settings.get("bare", "default"));
   EXPECT_EQ("first", settings.get("twice", "default"));
   EXPECT_FALSE(settings.contains("no equals sign"));
   // Whatever else the lines gave, reading them crashed nothing and the settings write
   // back and load again as they are.
   settings.set("spaced", "changed");
   Settings reloaded;
   ASSERT_FALSE(reloaded.initialize(path));
   std::map<std::string, std::string> before, after;
   settings.forEach([&](const std::string& name, const std::string& value) { before[name] = value; });
   reloaded.forEach([&](const std::string& name, const std::string& value) { after[name] = value; });
   EXPECT_EQ(before, after);
}

TEST_F(SettingsTest, ValuesThatDoNotConvertGiveTheDefault)
{
   const FilePath path = fileWith("empty=\"\"\n"
                                  "text=\"abc\"\n"
                                  "trailing=\"12a\"\n"
                                  "spaced=\" 12\"\n"
                                  "huge=\"99999999999999999999\"\n"
                                  "two=\"2\"\n"
                                  "fraction=\"1.5\"\n"
                                  "comma=\"1,5\"\n"
                                  "word=\"true\"\n");
   Settings settings;
   ASSERT_FALSE(settings.initialize(path));
   const struct
   {
      const char* name;
      int intValue;
      double doubleValue;
      bool boolValue;
   } cases[] = {
      {"empty", -1, -1.0, true},
      {"absent", -1, -1.0, true},
      {"text", -1, -1.0, true},
      {"trailing", -1, -1.0, true},
      {"spaced", -1, -1.0, true},
      {"huge", -1, 99999999999999999999.0, true},
      {"two", 2, 2.0, true},
      {"fraction", -1, 1.5, true},
      {"comma", -1, -1.0, true},
      {"word", -1, -1.0, true},
   };
   for (const auto& test : cases)
   {
      EXPECT_EQ(test.intValue, settings.getInt(test.name, -1)) << test.name;
      EXPECT_EQ(test.doubleValue, settings.getDouble(test.name, -1.0)) << test.name;
      EXPECT_EQ(test.boolValue, settings.getBool(test.name, true)) << test.name;
      EXPECT_FALSE(settings.getBool(test.name, false)) << test.name;
   }
   EXPECT_EQ("", settings.get("empty", "default"));
}

TEST_F(SettingsTest, LoadingAgainRebindsAndReplacesTheValues)
{
   Settings settings;
   ASSERT_FALSE(settings.initialize(fileWith("a=\"1\"\n", "first.conf")));
   ASSERT_FALSE(settings.initialize(fileWith("b=\"2\"\n", "second.conf")));
   EXPECT_FALSE(settings.contains("a"));
   settings.set("c", 3);
   EXPECT_EQ("a=\"1\"\n", bytesOf(file("first.conf")));
   EXPECT_EQ("b=\"2\"\nc=\"3\"\n", bytesOf(file("second.conf")));
}

TEST_F(SettingsTest, AFileThatCannotBeReadIsReturnedWithTheSettingsFile)
{
   boost::filesystem::create_directory(folder_ / "folder");
   for (const char* name : {"folder", "missing/settings.conf"})
   {
      std::shared_ptr<std::istream> stream;
      const Error expected = file(name).openForRead(stream);
      ASSERT_TRUE(expected) << name;
      Settings settings;
      const Error error = settings.initialize(file(name));
      EXPECT_EQ(expected, error) << name;
      EXPECT_EQ(file(name).getAbsolutePath(), error.getProperty("settings-file")) << name;
   }
}

// Each of these names would read back as another name, or not at all.
TEST_F(SettingsTest, ANameTheFileCannotHoldIsRefusedAndChangesNothing)
{
   const char* const names[] = {" admin", "\tadmin", "admin ", "admin\t", "a\nadmin", "a\radmin",
                                "admin\r", "\nadmin", "a=b", "admin=", "=admin"};
   for (const char* name : names)
   {
      SCOPED_TRACE(::testing::PrintToString(name));
      const FilePath path = file();
      Settings settings;
      ASSERT_FALSE(settings.initialize(path));
      settings.set("admin", "0");
      const std::string before = bytesOf(path);

      const auto log = testing::captureLog();
      EXPECT_EQ(0, writesDuring([&] { settings.set(name, "1"); }));
      const std::vector<std::string> lines = log->lines();
      ASSERT_EQ(1u, lines.size());
      EXPECT_NE(std::string::npos, lines[0].find("ERROR system error 22 ")) << lines[0];
      EXPECT_NE(std::string::npos, lines[0].find("name: " + std::string(name))) << lines[0];
      EXPECT_FALSE(settings.contains(name));
      EXPECT_EQ(before, bytesOf(path));

      settings.set("other", 2); // a later write holds the refused name neither
      Settings reloaded;
      ASSERT_FALSE(reloaded.initialize(path));
      EXPECT_EQ("0", reloaded.get("admin", ""));
      EXPECT_EQ("2", reloaded.get("other", ""));
      reloaded.forEach([](const std::string& stored, const std::string&) {
         EXPECT_TRUE(stored == "admin" || stored == "other") << stored;
      });
   }
}

#ifndef _WIN32 // the failed move is armed in the Linux stand-ins
TEST_F(SettingsTest, AFailedWriteIsLoggedAndKeepsTheValues)
{
   const FilePath path = fileWith("a=\"old\"\n");
   Settings settings;
   ASSERT_FALSE(settings.initialize(path));
   {
      const auto log = testing::captureLog();
      platform::failNext("MoveFileExW", ERROR_DISK_FULL);
      settings.set("a", "new");
      const std::vector<std::string> lines = log->lines();
      ASSERT_EQ(1u, lines.size());
      EXPECT_NE(std::string::npos, lines[0].find("ERROR")) << lines[0];
      EXPECT_NE(std::string::npos, lines[0].find("error 112 ")) << lines[0];
      EXPECT_NE(std::string::npos, lines[0].find("Settings::writeSettings")) << lines[0];
   }
   EXPECT_EQ("old", [&] {
      Settings reloaded;
      EXPECT_FALSE(reloaded.initialize(path));
      return reloaded.get("a", "");
   }());
   EXPECT_EQ("new", settings.get("a", ""));
   // The write was given up: a batch without further changes does not try again.
   EXPECT_EQ(0, writesDuring([&] {
                settings.beginUpdate();
                settings.endUpdate();
             }));
}
#endif

} // namespace
} // namespace velorin::core
