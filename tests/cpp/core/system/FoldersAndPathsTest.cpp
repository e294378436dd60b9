// FoldersAndPathsTest.cpp: the settings folders, the executable's path and paths
// relative to it, full and long paths, and the hidden attribute.
#include <core/system/System.hpp>

#include <platform/LeftoverHooksListener.hpp>
#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>
#include <gtest/gtest.h>

#include <core/system/Environment.hpp>

#include "CapturingLogDestination.hpp"
#include "ScratchSettingsFolders.hpp"

namespace velorin::core::system {
namespace {

using testing::captureLog;

class FoldersAndPathsTest : public ::testing::Test
{
protected:
   void TearDown() override
   {
      platform::failOnLeftoverHooks();
      // On Windows the settings folders are the shell's own, shared with every program.
      const boost::filesystem::path::string_type made = boost::filesystem::path(app_).native();
      for (const bool perMachine : {false, true})
      {
         std::vector<boost::filesystem::path> entries;
         for (const auto& entry : boost::filesystem::directory_iterator(settingsRoot(perMachine)))
            if (entry.path().filename().native().compare(0, made.size(), made) == 0)
               entries.push_back(entry.path());
         for (const boost::filesystem::path& entry : entries)
            boost::filesystem::remove_all(entry);
      }
   }

   std::string path(const std::string& relative) const { return folders_.path(relative); }

   // The scratch stand-ins on Linux; on Windows the shell's folders, which the XDG
   // variables do not move.
   std::string settingsRoot(bool perMachine) const
   {
#ifdef _WIN32
      return boost::filesystem::path(getenv(perMachine ? "ProgramData" : "LOCALAPPDATA")).generic_string();
#else
      return path(perMachine ? "machine" : "user");
#endif
   }
   std::string userFolder(const std::string& relative) const { return settingsRoot(false) + "/" + relative; }
   std::string machineFolder(const std::string& relative) const { return settingsRoot(true) + "/" + relative; }

   const testing::ScratchSettingsFolders folders_;
   const boost::filesystem::path& root_ = folders_.root();
   // The settings folders a test makes are named apart from any other program's.
   const std::string app_ = boost::filesystem::unique_path("velorin-test-%%%%-%%%%").string();
};

// The text of the one line logged, from the message on.
std::string loggedMessage(const std::shared_ptr<testing::CapturingLogDestination>& log, const std::string& start)
{
   if (log->lines().size() != 1)
      return "lines logged: " + std::to_string(log->lines().size());
   const std::string line = log->lines()[0];
   const std::size_t found = line.find(start);
   return found == std::string::npos ? line : line.substr(found, line.find_first_of(";\n", found) - found);
}

TEST_F(FoldersAndPathsTest, UserSettingsFolderIsMadeOnlyWhenAskedFor)
{
   const auto log = captureLog();
   EXPECT_TRUE(userSettingsPath(FilePath(), app_, false).isEmpty());
   EXPECT_EQ(loggedMessage(log, "Unable"), "Unable to retrieve user home path. HRESULT:  -2147024893");

   const FilePath created = userSettingsPath(FilePath(), app_, true);
   EXPECT_EQ(created.getAbsolutePath(), userFolder(app_));
   EXPECT_TRUE(FilePath(userFolder(app_)).isDirectory());
   EXPECT_EQ(userSettingsPath(FilePath(), app_, false).getAbsolutePath(), created.getAbsolutePath());

   // A folder name too long for the file system, and for the shell's buffer.
   const auto longNameLog = captureLog(2);
   EXPECT_TRUE(userSettingsPath(FilePath(), std::string(300, 'x'), true).isEmpty());
   EXPECT_EQ(loggedMessage(longNameLog, "Unable"), "Unable to retrieve user home path. HRESULT:  -2147024690");
}

TEST_F(FoldersAndPathsTest, NamesWithHighBytesNameDifferentFoldersPerUserAndPerMachine)
{
   // Per user each byte is one unit, sign-extended: 0xC3 0xA9 become U+FFC3 U+FFA9.
   EXPECT_EQ(userSettingsPath(FilePath(), app_ + "Caf\xC3\xA9", true).getAbsolutePath(),
             userFolder(app_ + "Caf\xEF\xBF\x83\xEF\xBE\xA9"));
   // Per machine the name is UTF-8.
   EXPECT_EQ(systemSettingsPath(app_ + "Caf\xC3\xA9", true).getAbsolutePath(), machineFolder(app_ + "Caf\xC3\xA9"));
   EXPECT_TRUE(FilePath(machineFolder(app_ + "Caf\xC3\xA9")).isDirectory());
}

// A sub-folder named with Windows' separator is a folder inside a folder, made level
// by level, and the path returned is the one made.
TEST_F(FoldersAndPathsTest, SettingsSubFoldersTakeTheBackslashAsASeparator)
{
   struct Case
   {
      std::string appName;
      std::string expected;
   };
   const Case cases[] = {
      {app_ + "\\App", app_ + "/App"},
      {app_ + "\\Deep\\App", app_ + "/Deep/App"},
      {app_ + "-Other/App", app_ + "-Other/App"},
      {app_ + "-Mixed\\Sub/App", app_ + "-Mixed/Sub/App"},
   };
   for (const Case& c : cases)
   {
      const FilePath user = userSettingsPath(FilePath(), c.appName, true);
      EXPECT_EQ(user.getAbsolutePath(), userFolder(c.expected)) << c.appName;
      EXPECT_TRUE(FilePath(userFolder(c.expected)).isDirectory()) << c.appName;
      EXPECT_TRUE(user.isDirectory()) << c.appName;

      const FilePath machine = systemSettingsPath(c.appName, true);
      EXPECT_EQ(machine.getAbsolutePath(), machineFolder(c.expected)) << c.appName;
      EXPECT_TRUE(machine.isDirectory()) << c.appName;
   }
   for (const bool perMachine : {false, true})
   {
      for (const auto& entry : boost::filesystem::directory_iterator(settingsRoot(perMachine)))
         EXPECT_EQ(entry.path().filename().native().find('\\'), boost::filesystem::path::string_type::npos)
            << entry.path();
   }
}

TEST_F(FoldersAndPathsTest, MachineSettingsFolderIsNamedWhetherOrNotItExists)
{
   EXPECT_EQ(systemSettingsPath(app_, false).getAbsolutePath(), machineFolder(app_));
   EXPECT_FALSE(FilePath(machineFolder(app_)).exists());
   EXPECT_EQ(systemSettingsPath(app_, true).getAbsolutePath(), machineFolder(app_));
   EXPECT_TRUE(FilePath(machineFolder(app_)).isDirectory());
}

// The per-machine folders move through the XDG variables, and the failures are armed,
// only in the Linux stand-ins.
#ifndef _WIN32
TEST_F(FoldersAndPathsTest, MachineSettingsFailuresLogTheHresult)
{
   {
      const auto log = captureLog();
      setenv("XDG_CONFIG_DIRS", path("missing"));
      EXPECT_TRUE(systemSettingsPath(app_, false).isEmpty());
      EXPECT_EQ(loggedMessage(log, "Unable"),
                "Unable to retrieve per machine configuration path. HRESULT:  -2147024893");
   }
   {
      const auto log = captureLog();
      setenv("XDG_CONFIG_DIRS", path("machine"));
      platform::failNext("SHGetFolderPathAndSubDirW", ERROR_ACCESS_DENIED);
      EXPECT_TRUE(systemSettingsPath(app_, true).isEmpty());
      EXPECT_EQ(loggedMessage(log, "Cannot"),
                "Cannot create folder under per machine configuration path. HRESULT:  -2147024891");
   }
}
#endif

TEST_F(FoldersAndPathsTest, ExecutablePathIsTheRunningProgram)
{
   FilePath executable;
   ASSERT_FALSE(executablePath(nullptr, &executable));
#ifdef _WIN32
   wchar_t running[4096];
   ASSERT_NE(::GetModuleFileNameW(nullptr, running, 4096), 0u);
   EXPECT_EQ(executable.getAbsolutePath(), boost::filesystem::path(running).generic_string());
   const std::string absolute = "C:/opt/tools";
#else
   EXPECT_EQ(executable.getAbsolutePath(), boost::filesystem::read_symlink("/proc/self/exe").string());
   const std::string absolute = "/opt/tools";
#endif

   const FilePath folder = executable.getParent();
   struct Case
   {
      std::string relative;
      std::string expected;
   };
   const Case cases[] = {
      {"..", folder.getParent().getAbsolutePath()},
      {"bin", folder.getAbsolutePath() + "/bin"},
      {"../bin", folder.completePath("../bin").getAbsolutePath()},
      {absolute, absolute},
   };
   for (const Case& c : cases)
   {
      FilePath relative;
      ASSERT_FALSE(pathRelativeToExecutable(c.relative, nullptr, &relative)) << c.relative;
      EXPECT_EQ(relative.getAbsolutePath(), c.expected) << c.relative;
   }

#ifndef _WIN32 // the failure is armed in the Linux stand-ins
   platform::failNext("GetModuleFileNameW", ERROR_NOT_ENOUGH_MEMORY);
   FilePath untouched("/untouched");
   EXPECT_EQ(pathRelativeToExecutable("bin", nullptr, &untouched).getCode(), 8);
   EXPECT_EQ(untouched.getAbsolutePath(), "/untouched");
#endif
}

// Windows starts no program from a path longer than MAX_PATH unless the system opts in
// to long paths, so the path past the first buffer is tried over the stand-ins only.
#ifndef _WIN32
TEST_F(FoldersAndPathsTest, ExecutablePathsLongerThanTheFirstBufferComeWhole)
{
   boost::filesystem::path folder = root_;
   for (int level = 0; level < 3; ++level)
      folder /= std::string(100, static_cast<char>('a' + level));
   boost::filesystem::create_directories(folder);
   const boost::filesystem::path program = folder / "job_helper";
   boost::filesystem::copy_file(JOB_HELPER, program);

   std::string output;
   ASSERT_FALSE(captureCommand("'" + program.string() + "' 0 path", &output));
   EXPECT_NE(output.find("path " + program.string() + "\n"), std::string::npos) << output;
   EXPECT_GT(program.string().size(), 300u);
}
#endif

TEST_F(FoldersAndPathsTest, RealPathsAreFullAndLexical)
{
   // A path rooted without a drive is on the current folder's drive on Windows.
   const std::string folder = boost::filesystem::current_path().generic_string();
   const std::string drive = boost::filesystem::current_path().root_name().string();
   struct Case
   {
      std::string path;
      std::string expected;
   };
   const std::string longName(600, 'n');
   const Case cases[] = {
      {"a/./b/../c", folder + "/a/c"},
      {"/x/y/../../z/", drive + "/z/"},
      {"/" + longName + "/f", drive + "/" + longName + "/f"}, // past the first buffer
      {"C:\\a\\.\\b\\..\\c\\", "C:/a/c/"},
      {"C:\\..\\x", "C:/x"},
      {"C:/a/../../..", "C:/"},
   };
   for (const Case& c : cases)
   {
      FilePath real;
      ASSERT_FALSE(realPath(c.path, &real)) << c.path;
      EXPECT_EQ(real.getAbsolutePath(), c.expected) << c.path;
   }
}

#ifndef _WIN32 // the failures are armed in the Linux stand-ins
TEST_F(FoldersAndPathsTest, RealPathFailuresNameThePathOnlyOnTheFirstCall)
{
   FilePath untouched("/untouched");
   platform::failNext("GetFullPathNameW", ERROR_NOT_ENOUGH_MEMORY);
   Error error = realPath(FilePath("/a/b"), &untouched);
   EXPECT_EQ(error.getCode(), 8);
   EXPECT_EQ(error.getProperty("path"), "/a/b");

   platform::failNextAfter("GetFullPathNameW", 1, ERROR_NOT_ENOUGH_MEMORY);
   error = realPath("/" + std::string(600, 'n'), &untouched);
   EXPECT_EQ(error.getCode(), 8);
   EXPECT_TRUE(error.getProperties().empty());
   EXPECT_EQ(untouched.getAbsolutePath(), "/untouched");
}
#endif

// A file named as a folder, with a separator after its name, is not there, as on
// Windows; a folder or a link named so is its own entry.
TEST_F(FoldersAndPathsTest, AFileNamedWithATrailingSeparatorIsNotThere)
{
   std::ofstream(path("t.txt")) << "text";
   boost::filesystem::create_directory(path("d"));
   for (const std::string& text : {path("t.txt") + "/", path("t.txt") + "\\", path("d/../t.txt") + "//"})
   {
      const FilePath file(text);
      EXPECT_FALSE(file.exists()) << text;
      EXPECT_FALSE(FilePath::exists(text)) << text;
      EXPECT_FALSE(file.isRegularFile()) << text;
      std::shared_ptr<std::istream> in;
      EXPECT_TRUE(file.openForRead(in).isError()) << text;
      std::shared_ptr<std::ostream> out;
      EXPECT_TRUE(file.openForWrite(out).isError()) << text;
      EXPECT_FALSE(realPathsEqual(file, FilePath(path("t.txt")))) << text;
   }
   std::ifstream stream(path("t.txt"));
   EXPECT_EQ(std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()), "text");

   EXPECT_TRUE(FilePath(path("t.txt")).exists());
   EXPECT_TRUE(FilePath(path("d") + "/").isDirectory());
#ifndef _WIN32 // Windows makes symbolic links only for the privileged
   boost::filesystem::create_symlink(path("t.txt"), path("l"));
   EXPECT_TRUE(FilePath(path("l") + "/").isSymlink());
   std::shared_ptr<std::istream> throughLink;
   EXPECT_FALSE(FilePath(path("l") + "/").openForRead(throughLink));
#endif
}

TEST_F(FoldersAndPathsTest, RealPathsAreComparedResolved)
{
   EXPECT_TRUE(realPathsEqual(FilePath(path("a/../b")), FilePath(path("b"))));
   EXPECT_TRUE(realPathsEqual(FilePath("."), FilePath(boost::filesystem::current_path().string())));
   EXPECT_FALSE(realPathsEqual(FilePath(path("a")), FilePath(path("b"))));
   EXPECT_TRUE(realPathsEqual(FilePath("C:\\..\\x"), FilePath("C:/x")));
   EXPECT_TRUE(realPathsEqual(FilePath("C:/a/./b/../c/"), FilePath("C:\\a\\c\\")));
   EXPECT_FALSE(realPathsEqual(FilePath("C:/x"), FilePath("D:/x")));

#ifndef _WIN32 // the failure is armed in the Linux stand-ins
   const auto log = captureLog();
   platform::failNextAfter("GetFullPathNameW", 1, ERROR_NOT_ENOUGH_MEMORY);
   EXPECT_FALSE(realPathsEqual(FilePath(path("b")), FilePath(path("b"))));
   ASSERT_EQ(log->lines().size(), 1u);
   EXPECT_NE(log->lines()[0].find("system error 8 "), std::string::npos);
#endif
}

TEST_F(FoldersAndPathsTest, LongPathsAndExeExtensions)
{
   // The scratch folder may sit under a short name (Windows' temporary folder often
   // does); what is not there stays as named.
   const struct
   {
      std::string text;
      std::string expected;
   } longPaths[] = {
      {path("user"), boost::filesystem::canonical(path("user")).generic_string()},
      {path("no such file"), boost::filesystem::path(path("no such file")).generic_string()},
   };
   for (const auto& c : longPaths)
   {
      FilePath same(c.text);
      expandToLongPath(&same);
      EXPECT_EQ(same.getAbsolutePath(), c.expected);
   }

   struct Case
   {
      std::string path;
      std::string expected;
   };
   const Case cases[] = {
      {"C:/tools/git", "C:/tools/git.exe"},
      {"C:/tools/run.bat", "C:/tools/run.bat"},
      {"C:/tools/RUN.EXE", "C:/tools/RUN.EXE"},
      {"C:/tools/command.com", "C:/tools/command.com"},
   };
   for (const Case& c : cases)
   {
      FilePath file(c.path);
      appendExeExtension(&file);
      EXPECT_EQ(file.getAbsolutePath(), c.expected) << c.path;
   }
}

TEST_F(FoldersAndPathsTest, CommandInterpreterIsTheExpandedComspec)
{
   setenv("COMSPEC", "/bin/bash");
   EXPECT_EQ(commandInterpreterPath().getAbsolutePath(), "/bin/bash");
#ifndef _WIN32 // the failure is armed in the Linux stand-ins
   platform::failNext("ExpandEnvironmentStringsA", ERROR_NOT_ENOUGH_MEMORY);
   EXPECT_TRUE(commandInterpreterPath().isEmpty());
#endif
}

TEST_F(FoldersAndPathsTest, FilesAreHiddenByNameOrByAttribute)
{
   std::ofstream(path("plain.txt")) << "x";
   std::ofstream(path(".dotted")) << "x";
   EXPECT_FALSE(hasHiddenAttribute(path("plain.txt")));
   EXPECT_TRUE(hasHiddenAttribute(path(".dotted")));
   EXPECT_FALSE(hasHiddenAttribute(path("missing.txt")));

   ASSERT_FALSE(makeFileHidden(FilePath(path("plain.txt"))));
   EXPECT_TRUE(hasHiddenAttribute(FilePath(path("plain.txt"))));
   EXPECT_FALSE(makeFileHidden(FilePath(path("plain.txt")))); // hidden already

   EXPECT_EQ(makeFileHidden(FilePath(path("missing.txt"))).getCode(), ERROR_FILE_NOT_FOUND);
#ifndef _WIN32 // the failure is armed in the Linux stand-ins
   std::ofstream(path("other.txt")) << "x";
   platform::failNext("SetFileAttributesW", ERROR_ACCESS_DENIED);
   EXPECT_EQ(makeFileHidden(FilePath(path("other.txt"))).getCode(), ERROR_ACCESS_DENIED);
   EXPECT_FALSE(hasHiddenAttribute(path("other.txt")));
#endif
}

TEST_F(FoldersAndPathsTest, UserHomePathTakesTheOverrideList)
{
   setenv("VELORIN_TEST_HOME", root_.string());
   EXPECT_EQ(userHomePath("VELORIN_TEST_NONE|VELORIN_TEST_HOME").getAbsolutePath(), root_.generic_string());
}

} // namespace
} // namespace velorin::core::system
