// ConfigProfileTest.cpp: leveled sections, parse errors that keep the earlier
// sections, and parameter lookups with their conversions.
#include <core/ConfigProfile.hpp>

#include <fstream>

#include <gtest/gtest.h>

#include <ScratchFolder.hpp>

namespace velorin::core {
namespace {

// The levels of "logging.conf": every program, one program, named loggers.
ConfigProfile loggingProfile()
{
   ConfigProfile profile;
   profile.addSections({{0, "*"}, {1, "@"}, {2, ""}});
   profile.addParams("level", "warn", "rotate", true, "size", 2.0);
   return profile;
}

void expectError(const Error& error, int code, const std::string& description)
{
   EXPECT_EQ(code, error.getCode()) << error.asString();
   EXPECT_EQ("system", error.getName());
   EXPECT_EQ(description, error.getProperty("description"));
}

TEST(ConfigProfileTest, SectionNamesLoseTheirLevelsPrefix)
{
   ConfigProfile profile = loggingProfile();
   ASSERT_FALSE(profile.parseString("orphan = 1\n"
                                    "[net]\nlevel=info\n"
                                    "[*]\nlevel=debug\n"
                                    "[@tool]\nlevel=error\n"
                                    "[empty]\n"
                                    "[*net]\nlevel=info\n"
                                    "[@]\nlevel=info\n"));
   // A key before the first section is an entry of its own, without parameters; a
   // section without keys is dropped by the reader.
   EXPECT_EQ((std::vector<std::string>{"", "net"}), profile.getLevelNames(0));
   EXPECT_EQ((std::vector<std::string>{"tool", ""}), profile.getLevelNames(1));
   EXPECT_EQ((std::vector<std::string>{"orphan", "net"}), profile.getLevelNames(2));
   EXPECT_TRUE(profile.getLevelNames(3).empty());
}

TEST(ConfigProfileTest, BadTextFailsWithItsReasonAndKeepsTheEarlierSections)
{
   const struct
   {
      const char* text;
      const char* description;
   } cases[] = {
      {"[*]\nlevel=info\nlevel=debug\n", "Could not parse config profile: duplicate key name"},
      {"[*\nlevel=info\n", "Could not parse config profile: unmatched '['"},
      {"[*]\nlevel info\n", "Could not parse config profile: '=' character not found in line"},
      {"[*]\n=info\n", "Could not parse config profile: key expected"},
      {"[*]\nlevel=info\n[*]\nsize=3\n", "Could not parse config profile: duplicate section name"},
      {"[*]\nlevel=info\n[net]\ncolour=red\n", "Unknown param colour specified"},
      {"[*]\nLevel=info\n", "Unknown param Level specified"},
   };
   for (const auto& c : cases)
   {
      SCOPED_TRACE(c.text);
      ConfigProfile profile = loggingProfile();
      ASSERT_FALSE(profile.parseString("[@tool]\nlevel=error\n"));
      expectError(profile.parseString(c.text), 134, c.description);

      std::string level;
      EXPECT_FALSE(profile.getParam("level", &level, {{0, ""}, {1, "tool"}}));
      EXPECT_EQ("error", level);
      EXPECT_EQ((std::vector<std::string>{"tool"}), profile.getLevelNames(1));
   }
}

TEST(ConfigProfileTest, SectionsFittingNoLevelAndRefusedValuesFailTheParse)
{
   ConfigProfile profile;
   profile.addSections({{0, "*"}, {1, "@"}});
   profile.addParams("level", "warn");
   expectError(profile.parseString("[net]\nlevel=info\n"), 134, "Invalid config section net");

   profile.setValidator("level", [](const std::string& value, std::string* pMessage) {
      *pMessage = "not a level word";
      return value != "loud";
   });
   expectError(profile.parseString("[*]\nlevel=loud\n"), 134, "Param level is not valid: not a level word");
   expectError(profile.validateParam("level", "loud"), 134, "Param level is not valid: not a level word");
   EXPECT_FALSE(profile.validateParam("level", "info"));
   EXPECT_FALSE(profile.parseString("[*]\nlevel=info\n"));
}

TEST(ConfigProfileTest, TheApplyingSectionOfTheHighestLevelDecides)
{
   ConfigProfile profile = loggingProfile();
   ASSERT_FALSE(profile.parseString("[net]\nsize=5\n"
                                    "[@tool]\nsize=2.5\n"
                                    "[@other]\nsize=9\n"
                                    "[*]\nsize=1\n"));
   const struct
   {
      const char* what;
      ConfigProfile::LevelValues levels;
      double size;
   } cases[] = {
      {"no applying section", {}, 2.0},
      {"every program", {{0, ""}}, 1.0},
      {"this program", {{0, ""}, {1, "tool"}}, 2.5},
      {"another program's section is not read", {{0, ""}, {1, "nobody"}}, 1.0},
      {"named logger, pairs in any order", {{2, "net"}, {1, "tool"}, {0, ""}}, 5.0},
      {"names are case-sensitive", {{0, ""}, {2, "Net"}}, 1.0},
      {"two sections of one level: the later in the text", {{1, "other"}, {1, "tool"}}, 9.0},
   };
   for (const auto& c : cases)
   {
      SCOPED_TRACE(c.what);
      double size = -1;
      EXPECT_FALSE(profile.getParam("size", &size, c.levels));
      EXPECT_EQ(c.size, size);
   }
}

TEST(ConfigProfileTest, ValuesConvertAsLexicalCastDoes)
{
   const struct
   {
      const char* text;
      bool converts;
      bool value;
   } cases[] = {
      {"1", true, true},   {"01", true, true},     {"+1", true, true},    {"0", true, false},
      {"-0", true, false}, {"true", false, false}, {"yes", false, false}, {"-1", false, false},
      {"2", false, false},
   };
   for (const auto& c : cases)
   {
      SCOPED_TRACE(c.text);
      ConfigProfile profile = loggingProfile();
      ASSERT_FALSE(profile.parseString(std::string("[*]\nrotate=0\n[@tool]\nrotate=") + c.text + "\n"));
      bool rotate = true;
      const Error error = profile.getParam("rotate", &rotate, {{0, ""}, {1, "tool"}});
      if (c.converts)
      {
         EXPECT_FALSE(error);
         EXPECT_EQ(c.value, rotate);
      }
      else
      {
         // The earlier section's value stays.
         expectError(error, 22, "Invalid type requested for param rotate");
         EXPECT_FALSE(rotate);
      }
   }

   ConfigProfile profile = loggingProfile();
   ASSERT_FALSE(profile.parseString("[*]\nsize=2MB\nrotate=yes\n"));
   double size = -1;
   expectError(profile.getParam("size", &size, {{0, ""}}), 22, "Invalid type requested for param size");
   EXPECT_EQ(2.0, size);
   std::string text;
   EXPECT_FALSE(profile.getParam("level", &text, {{0, ""}}));
   EXPECT_EQ("warn", text);
}

TEST(ConfigProfileTest, AnUnregisteredParameterIsNotFound)
{
   ConfigProfile profile = loggingProfile();
   std::string value = "untouched";
   expectError(profile.getParam("colour", &value, {{0, ""}}), 22, "Parameter not found");
   EXPECT_EQ("untouched", value);
   EXPECT_FALSE(profile.parseString(""));
   EXPECT_TRUE(profile.getLevelNames(0).empty());
}

TEST(ConfigProfileTest, AFileIsReadWholeAndNamedInItsParseErrors)
{
   const testing::ScratchFolder folder("profile-%%%%-%%%%");
   const std::string path = (folder / "logging.conf").string();
   std::ofstream(path, std::ios::binary) << "[*]\r\nlevel=info\r\n[net]\r\nrotate=0\r\n";
   ConfigProfile profile = loggingProfile();
   ASSERT_FALSE(profile.parseFile(FilePath(path)));
   bool rotate = true;
   EXPECT_FALSE(profile.getParam("rotate", &rotate, {{2, "net"}}));
   EXPECT_FALSE(rotate);

   std::ofstream(path, std::ios::binary) << "[*]\nlevel=info\nlevel=debug\n";
   expectError(profile.parseFile(FilePath(path)), 134,
               "Could not parse config profile: duplicate key name in file " + FilePath(path).getAbsolutePath());

   const Error missing = profile.parseFile(FilePath((folder / "missing.conf").string()));
   EXPECT_EQ(2, missing.getCode());
   EXPECT_EQ((std::vector<std::string>{"net"}), profile.getLevelNames(2));
}

} // namespace
} // namespace velorin::core
