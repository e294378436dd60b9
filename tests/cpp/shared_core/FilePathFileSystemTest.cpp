// FilePathFileSystemTest.cpp: the members of FilePath that look at, open and change
// real files, each test in a fresh temporary folder.
#include <shared_core/FilePath.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/filesystem.hpp>
#include <gtest/gtest.h>

#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>
#include <shared_core/PathScope.hpp>

#include "CapturingLogDestination.hpp"
#include "DescriptorsTaken.hpp"
#include "FifoGuard.hpp"
#include "ScratchFolder.hpp"

namespace velorin::core {
namespace {

using testing::captureLog;

// The ways a path can end that Windows reads as the entry itself.
const char* const kEntryEndings[] = {"", "/", "\\", "//", "/.", "/./", "\\.\\"};

struct EntryKind
{
   const char* name;
   bool directory;
   bool regularFile;
   bool symlink;
   std::uint64_t size;
};

// A link to a folder counts as a folder, as it does without the ending.
const EntryKind kEntryKinds[] = {
   {"link", true, false, true, 0},
   {"folder", true, false, false, 0},
   {"file", false, true, false, 5},
};

// A file followed by a separator is named as a folder, which Windows refuses.
bool namesFileAsFolder(const EntryKind& kind, const std::string& ending)
{
   return kind.regularFile && !ending.empty() && (ending.back() == '/' || ending.back() == '\\');
}

class FilePathFileSystemTest : public ::testing::Test
{
protected:
   std::string native(const std::string& relative) const { return root_.string() + "/" + relative; }

   FilePath at(const std::string& relative) const { return FilePath(native(relative)); }

   void write(const std::string& relative, const std::string& content) const
   {
      boost::filesystem::create_directories(boost::filesystem::path(native(relative)).parent_path());
      std::ofstream(native(relative), std::ios::binary) << content;
   }

   std::string read(const std::string& relative) const
   {
      std::ifstream stream(native(relative), std::ios::binary);
      return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
   }

   // Runs the checks as a user whom permissions stop: root, whom they do not, runs them
   // in a child process that becomes nobody (65534) first.
   template <typename Checks>
   void asUnprivilegedUser(Checks checks) const
   {
      if (::geteuid() != 0)
      {
         checks();
         return;
      }
      constexpr int kUnreachable = 77;
      std::fflush(stdout);
      const pid_t child = ::fork();
      ASSERT_NE(-1, child);
      if (child == 0)
      {
         constexpr uid_t kNobody = 65534;
         if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
         {
            std::perror("cannot become nobody");
            std::_Exit(2);
         }
         if (::access(root_.c_str(), R_OK | X_OK) != 0)
            std::_Exit(kUnreachable);
         checks();
         // The child's failures are printed here and never reach the parent's record.
         std::fflush(stdout);
         std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
      }
      int status = 0;
      ASSERT_EQ(child, ::waitpid(child, &status, 0));
      ASSERT_TRUE(WIFEXITED(status)) << "the unprivileged child ended with status " << status;
      if (WEXITSTATUS(status) == kUnreachable)
         GTEST_SKIP() << "the scratch folder " << root_ << " is out of reach of user 65534";
      EXPECT_EQ(0, WEXITSTATUS(status)) << "the checks failed as user 65534 (their failures are printed above)";
   }

   bool present(const std::string& relative) const
   {
      struct stat status;
      return ::lstat(native(relative).c_str(), &status) == 0;
   }

   bool isLink(const std::string& relative) const
   {
      struct stat status;
      return ::lstat(native(relative).c_str(), &status) == 0 && S_ISLNK(status.st_mode);
   }

   // In its own folder: a link to a folder holding a file, a real folder and a file,
   // each with its own content.
   void makeEntries(const std::string& folder) const
   {
      write(folder + "linked/inside.txt", "kept");
      boost::filesystem::create_directory_symlink(native(folder + "linked"), native(folder + "link"));
      write(folder + "folder/inner.txt", "inner");
      write(folder + "file", "12345");
   }

   // Checks every kind of entry under every ending, each in a fresh folder, and that
   // what the link leads to stays whole.
   template <typename Check>
   void checkEveryEnding(Check check) const
   {
      int number = 0;
      for (const char* ending : kEntryEndings)
      {
         for (const EntryKind& kind : kEntryKinds)
         {
            const std::string folder = "case" + std::to_string(number++) + "/";
            makeEntries(folder);
            SCOPED_TRACE(folder + kind.name + ending);
            check(folder, kind, ending);
            EXPECT_EQ("kept", read(folder + "linked/inside.txt")) << "what a link leads to stays";
         }
      }
   }

   const testing::ScratchFolder root_{"velorin-path-%%%%-%%%%"};
};

std::string readAll(std::istream& stream)
{
   return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

// Another volume than the temporary folder, for moves that cannot be renames.
std::string otherVolume()
{
   struct stat tmp;
   struct stat shm;
   if (::stat(boost::filesystem::temp_directory_path().c_str(), &tmp) != 0 || ::stat("/dev/shm", &shm) != 0 ||
       tmp.st_dev == shm.st_dev || ::access("/dev/shm", W_OK) != 0)
      return std::string();
   return "/dev/shm";
}

TEST_F(FilePathFileSystemTest, KindsOfEntries)
{
   auto log = captureLog();
   write("file.txt", "x");
   boost::filesystem::create_directory(native("folder"));
   boost::filesystem::create_directory_symlink(native("folder"), native("folder-link"));
   boost::filesystem::create_symlink(native("file.txt"), native("file-link"));
   boost::filesystem::create_symlink(native("gone"), native("dangling"));

   struct Case
   {
      const char* name;
      bool exists;
      bool directory;
      bool regular;
      bool symlink;
      bool junction;
   };
   const Case cases[] = {
      {"file.txt", true, false, true, false, false},
      {"folder", true, true, false, false, false},
      {"folder-link", true, true, false, true, true},
      {"file-link", true, false, true, true, false},
      {"dangling", false, false, false, false, false},
      {"missing", false, false, false, false, false},
      {"missing/deeper", false, false, false, false, false},
      {"file.txt/below", false, false, false, false, false},
   };
   for (const Case& c : cases)
   {
      const FilePath path = at(c.name);
      EXPECT_EQ(c.exists, path.exists()) << c.name;
      EXPECT_EQ(c.exists, FilePath::exists(native(c.name))) << c.name;
      EXPECT_EQ(c.directory, path.isDirectory()) << c.name;
      EXPECT_EQ(c.regular, path.isRegularFile()) << c.name;
      EXPECT_EQ(c.symlink, path.isSymlink()) << c.name;
      EXPECT_EQ(c.junction, path.isJunction()) << c.name;
   }
   EXPECT_FALSE(FilePath().exists());
   EXPECT_FALSE(FilePath::exists(""));
   EXPECT_TRUE(log->lines().empty()) << "a missing path is never an error";
}

TEST_F(FilePathFileSystemTest, AccessDeniedIsSilentOnlyForTheMember)
{
   write("locked/inner.txt", "x");
   ::chmod(native("locked").c_str(), 0);
   write("tree/open/file.txt", "x");
   boost::filesystem::create_directories(native("tree/closed"));
   ::chmod(native("tree/closed").c_str(), 0);

   asUnprivilegedUser([this] {
      auto log = captureLog();
      EXPECT_FALSE(at("locked/inner.txt").exists());
      EXPECT_TRUE(log->lines().empty());
      EXPECT_FALSE(FilePath::exists(native("locked/inner.txt")));
      ASSERT_EQ(1u, log->lines().size());
      EXPECT_NE(std::string::npos, log->lines()[0].find("system error 5")) << log->lines()[0];

      std::vector<FilePath> children;
      Error error = at("locked").getChildren(children);
      EXPECT_EQ(5, error.getCode());
      EXPECT_EQ(native("locked"), error.getProperty("path"));

      error = at("tree").getChildrenRecursive([](int, const FilePath&) { return true; });
      EXPECT_EQ(5, error.getCode()) << "an unreadable folder ends the walk";
      EXPECT_EQ(native("tree"), error.getProperty("path"));
   });
}

TEST_F(FilePathFileSystemTest, Sizes)
{
   write("tree/ten.txt", "0123456789");
   write("tree/twenty.txt", "01234567890123456789");
   write("tree/sub/five.txt", "01234");
   EXPECT_EQ(10u, at("tree/ten.txt").getSize());
   EXPECT_EQ(0u, at("tree").getSize());
   EXPECT_EQ(0u, at("missing").getSize());
   EXPECT_EQ(35u, at("tree").getSizeRecursive());
   EXPECT_EQ(5u, at("tree/sub/five.txt").getSizeRecursive());
   EXPECT_EQ(0u, at("missing").getSizeRecursive());
}

TEST_F(FilePathFileSystemTest, LastWriteTime)
{
   write("file.txt", "x");
   const FilePath file = at("file.txt");
   file.setLastWriteTime(1500000000);
   EXPECT_EQ(1500000000, file.getLastWriteTime());

   const FilePath missing = at("missing.txt");
   EXPECT_EQ(0, missing.getLastWriteTime());
   missing.setLastWriteTime(1500000000);
   EXPECT_FALSE(present("missing.txt"));
}

TEST_F(FilePathFileSystemTest, SymlinksAndCanonicalPaths)
{
   write("real/file.txt", "x");
   boost::filesystem::create_symlink("real/file.txt", native("relative-link"));
   EXPECT_EQ("real/file.txt", at("relative-link").resolveSymlink().getAbsolutePath());
   EXPECT_EQ(at("real"), at("real").resolveSymlink());

   const std::string canonicalRoot = boost::filesystem::canonical(root_).string();
   EXPECT_EQ(canonicalRoot + "/real/file.txt", at("relative-link").getCanonicalPath());
   boost::filesystem::create_directory(native("real/sub"));
   EXPECT_EQ(canonicalRoot + "/real", at("real/./sub/..").getCanonicalPath());
   EXPECT_EQ("", FilePath().getCanonicalPath());
   try
   {
      at("missing").getCanonicalPath();
      ADD_FAILURE() << "a missing path has no canonical form";
   }
   catch (const boost::filesystem::filesystem_error& e)
   {
      EXPECT_EQ(2, e.code().value());
      EXPECT_STREQ("system", e.code().category().name());
   }
}

TEST_F(FilePathFileSystemTest, Equivalence)
{
   write("a/file.txt", "x");
   boost::filesystem::create_hard_link(native("a/file.txt"), native("hard"));
   EXPECT_TRUE(at("a/file.txt").isEquivalentTo(at("a/./file.txt")));
   EXPECT_TRUE(at("a/file.txt").isEquivalentTo(at("hard")));
   EXPECT_FALSE(at("a/file.txt").isEquivalentTo(at("a")));
   EXPECT_FALSE(at("a/file.txt").isEquivalentTo(at("missing")));
   EXPECT_FALSE(at("missing").isEquivalentTo(at("a/file.txt")));
}

TEST_F(FilePathFileSystemTest, Children)
{
   write("folder/one.txt", "1");
   write("folder/two.txt", "2");
   std::vector<FilePath> children = {FilePath("kept")};
   EXPECT_FALSE(at("folder").getChildren(children));
   ASSERT_EQ(3u, children.size());
   EXPECT_EQ("kept", children[0].getAbsolutePath());
   const std::set<std::string> names = {children[1].getAbsolutePath(), children[2].getAbsolutePath()};
   EXPECT_EQ((std::set<std::string>{native("folder/one.txt"), native("folder/two.txt")}), names);

   std::vector<FilePath> none;
   const Error error = at("missing").getChildren(none);
   EXPECT_TRUE(isPathNotFoundError(error));
   EXPECT_EQ(native("missing"), error.getProperty("path"));
   EXPECT_TRUE(none.empty());
   EXPECT_TRUE(at("folder/one.txt").getChildren(none)) << "a file has no children";
}

// A listed child is the path its text names, whatever the length of its name and
// whether the name is plain ASCII.
TEST_F(FilePathFileSystemTest, ListedChildrenEqualThePathsOfTheirNames)
{
   const std::set<std::string> names = {"a", "1234567", "12345678", "name-of-seventeen", "caf\xC3\xA9-au-lait.txt"};
   for (const std::string& name : names)
      write("folder/" + name, "x");
   std::vector<FilePath> children;
   EXPECT_FALSE(at("folder").getChildren(children));
   std::set<std::string> listed;
   for (const FilePath& child : children)
   {
      const std::string name = child.getFilename();
      listed.insert(name);
      EXPECT_EQ(native("folder/" + name), child.getAbsolutePath()) << name;
      EXPECT_EQ(at("folder/" + name), child) << name;
      EXPECT_EQ(FilePath(native("folder/" + name)).getAbsolutePathW(), child.getAbsolutePathW()) << name;
   }
   EXPECT_EQ(names, listed);
}

// The children of a folder take the folder's text in generic form, whether that text
// is plain ASCII or not and whichever separators it uses.
TEST_F(FilePathFileSystemTest, ListedChildrenTakeTheFolderTextInGenericForm)
{
   const std::set<std::string> names = {"a", "plain-name.txt", "caf\xC3\xA9"};
   for (const char* folder : {"plain", "d\xC3\xA9j\xC3\xA0"})
   {
      for (const std::string& name : names)
         write(std::string(folder) + "/" + name, "x");
      for (const char* separator : {"/", "\\"})
      {
         const std::string folderText = root_.string() + separator + folder + separator;
         SCOPED_TRACE(folderText);
         std::vector<FilePath> children;
         EXPECT_FALSE(FilePath(folderText).getChildren(children));
         std::set<std::string> listed;
         for (const FilePath& child : children)
         {
            const std::string name = child.getFilename();
            listed.insert(name);
            const FilePath expected(native(std::string(folder) + "/" + name));
            EXPECT_EQ(expected.getAbsolutePath(), child.getAbsolutePath());
            EXPECT_EQ(expected.getAbsolutePath(), child.getAbsolutePathNative()) << "computed paths use '/'";
            EXPECT_EQ(expected.getAbsolutePathW(), child.getAbsolutePathW());
            EXPECT_EQ(expected, child);
         }
         EXPECT_EQ(names, listed);
      }
   }
}

TEST_F(FilePathFileSystemTest, RecursiveWalkGoesDepthFirstWithDepths)
{
   write("root/a/b/c.txt", "x");
   std::vector<std::pair<int, std::string>> visits;
   const FilePath root = at("root");
   EXPECT_FALSE(root.getChildrenRecursive([&](int depth, const FilePath& entry) {
      visits.emplace_back(depth, entry.getRelativePath(root));
      return true;
   }));
   const std::vector<std::pair<int, std::string>> expected = {{0, "a"}, {1, "a/b"}, {2, "a/b/c.txt"}};
   EXPECT_EQ(expected, visits);

   int calls = 0;
   EXPECT_FALSE(root.getChildrenRecursive([&](int, const FilePath&) { return ++calls, false; }));
   EXPECT_EQ(1, calls);

   const Error error = at("missing").getChildrenRecursive([](int, const FilePath&) { return true; });
   EXPECT_TRUE(isPathNotFoundError(error));
   EXPECT_EQ(native("missing"), error.getProperty("path"));
}

TEST_F(FilePathFileSystemTest, RecursiveWalkReportsEachFolderBeforeItsContentsAndSkipsLinkedFolders)
{
   write("root/x/1.txt", "1");
   write("root/x/y/2.txt", "2");
   write("root/z/3.txt", "3");
   write("elsewhere/hidden.txt", "h");
   boost::filesystem::create_directory_symlink(native("elsewhere"), native("root/link"));

   std::vector<std::string> order;
   const FilePath root = at("root");
   EXPECT_FALSE(root.getChildrenRecursive([&](int depth, const FilePath& entry) {
      const std::string relative = entry.getRelativePath(root);
      EXPECT_EQ(std::count(relative.begin(), relative.end(), '/'), depth) << relative;
      order.push_back(relative);
      return true;
   }));
   const std::set<std::string> seen(order.begin(), order.end());
   EXPECT_EQ((std::set<std::string>{"x", "x/1.txt", "x/y", "x/y/2.txt", "z", "z/3.txt", "link"}), seen);
   auto position = [&](const std::string& name) { return std::find(order.begin(), order.end(), name) - order.begin(); };
   EXPECT_LT(position("x"), position("x/1.txt"));
   EXPECT_LT(position("x"), position("x/y"));
   EXPECT_LT(position("x/y"), position("x/y/2.txt"));
   EXPECT_LT(position("z"), position("z/3.txt"));
}

// Windows reads a backslash as a separator: listed as a path, "a\b.txt" would name
// "a/b.txt" one folder down, and work meant for one entry would reach the other.
TEST_F(FilePathFileSystemTest, ListingLeavesOutNamesHoldingABackslash)
{
   write("tree/a/b.txt", "real");
   write("tree/a\\b.txt", "backslash");
   write("tree/c\\d/e.txt", "below");
   auto log = captureLog();
   const auto loggedNames = [&](std::size_t from) {
      std::set<std::string> names;
      const std::vector<std::string> lines = log->lines();
      for (std::size_t i = from; i < lines.size(); ++i)
      {
         const std::string& line = lines[i];
         EXPECT_NE(std::string::npos, line.find("system error 123")) << line;
         for (const char* name : {"tree/a\\b.txt", "tree/c\\d"})
         {
            if (line.find("path: " + native(name)) != std::string::npos)
               names.insert(name);
         }
      }
      return names;
   };
   const std::set<std::string> both = {"tree/a\\b.txt", "tree/c\\d"};

   std::vector<FilePath> children;
   EXPECT_FALSE(at("tree").getChildren(children));
   ASSERT_EQ(1u, children.size());
   EXPECT_EQ(native("tree/a"), children[0].getAbsolutePath());
   EXPECT_EQ(both, loggedNames(0));

   std::size_t logged = log->lines().size();
   std::vector<FilePath> files;
   EXPECT_FALSE(at("tree").getChildrenRecursive([&](int, const FilePath& entry) {
      if (entry.isRegularFile())
         files.push_back(entry);
      return true;
   }));
   ASSERT_EQ(1u, files.size());
   EXPECT_EQ(native("tree/a/b.txt"), files[0].getAbsolutePath());
   EXPECT_EQ(both, loggedNames(logged)) << "nothing below a folder left out is walked";
   EXPECT_EQ(4u, at("tree").getSizeRecursive());

   logged = log->lines().size();
   EXPECT_FALSE(at("tree").copyDirectoryRecursive(at("copy")));
   EXPECT_EQ("real", read("copy/a/b.txt"));
   EXPECT_FALSE(present("copy/a\\b.txt"));
   EXPECT_FALSE(present("copy/c\\d"));
   EXPECT_EQ(both, loggedNames(logged));

   velorin::platform::failNext("MoveFileExW", ERROR_NOT_SAME_DEVICE);
   const Error error = at("tree").move(at("moved"), FilePath::MoveCrossDevice);
   EXPECT_EQ(static_cast<int>(ERROR_INVALID_NAME), error.getCode()) << "a move that leaves an entry behind fails";
   EXPECT_EQ("backslash", read("tree/a\\b.txt"));
   EXPECT_EQ("below", read("tree/c\\d/e.txt"));
   EXPECT_EQ("real", read("tree/a/b.txt"));

   EXPECT_FALSE(at("tree").remove());
   EXPECT_FALSE(present("tree")) << "removing the folder takes every entry, named or not";
}

// Linux names are bytes; one that is not UTF-8 keeps its bytes in every form of its path.
TEST_F(FilePathFileSystemTest, NameThatIsNotUtf8ReachesItsEntry)
{
   const std::string name = "caf\xE9.txt";
   write("folder/" + name, "12345");
   auto log = captureLog();

   std::vector<FilePath> children;
   EXPECT_FALSE(at("folder").getChildren(children));
   ASSERT_EQ(1u, children.size());
   EXPECT_EQ(native("folder/" + name), children[0].getAbsolutePath());
   std::vector<FilePath> walked;
   EXPECT_FALSE(at("folder").getChildrenRecursive([&](int, const FilePath& entry) {
      walked.push_back(entry);
      return true;
   }));
   ASSERT_EQ(1u, walked.size());

   const std::pair<const char*, FilePath> forms[] = {
      {"listed", children[0]},
      {"walked", walked[0]},
      {"from its UTF-8 text", FilePath(children[0].getAbsolutePath())},
      {"from its wide text", FilePath(children[0].getAbsolutePathW())},
      {"completed", at("folder").completePath(name)},
   };
   for (const auto& form : forms)
   {
      EXPECT_EQ(children[0], form.second) << form.first;
      EXPECT_TRUE(form.second.exists()) << form.first;
      EXPECT_TRUE(form.second.isRegularFile()) << form.first;
      EXPECT_EQ(5u, form.second.getSize()) << form.first;
      EXPECT_EQ(name, form.second.getFilename()) << form.first;
   }

   std::shared_ptr<std::istream> stream;
   ASSERT_FALSE(children[0].openForRead(stream));
   EXPECT_EQ("12345", readAll(*stream));
   stream.reset();

   EXPECT_FALSE(children[0].copy(at("copy-" + name)));
   EXPECT_EQ("12345", read("copy-" + name));
   EXPECT_FALSE(at("folder").copyDirectoryRecursive(at("tree-copy")));
   EXPECT_EQ("12345", read("tree-copy/" + name));
   velorin::platform::failNext("MoveFileExW", ERROR_NOT_SAME_DEVICE);
   EXPECT_FALSE(at("tree-copy").move(at("tree-moved"), FilePath::MoveCrossDevice));
   EXPECT_EQ("12345", read("tree-moved/" + name));
   EXPECT_FALSE(present("tree-copy"));

   EXPECT_FALSE(children[0].move(at("folder/moved-" + name)));
   EXPECT_FALSE(present("folder/" + name));
   EXPECT_FALSE(at("folder/moved-" + name).remove());
   EXPECT_FALSE(present("folder/moved-" + name)) << "the removal reached the file";
   EXPECT_TRUE(log->lines().empty());
}

// An unpaired surrogate that stands for no byte names nothing here; its text holds
// U+FFFD, and the file whose name really is U+FFFD is never reached instead.
TEST_F(FilePathFileSystemTest, PathNoNameHereCanHoldReachesNothing)
{
   const std::string replacement = "caf\xEF\xBF\xBD.txt";
   write(replacement, "other");
   const FilePath path(FilePath(native("")).getAbsolutePathW() + L"caf\xD800.txt");
   ASSERT_EQ(native(replacement), path.getAbsolutePath());

   EXPECT_FALSE(path.exists());
   EXPECT_FALSE(path.isRegularFile());
   EXPECT_EQ(0u, path.getSize());
   EXPECT_FALSE(path.remove());
   std::shared_ptr<std::istream> stream;
   EXPECT_TRUE(path.openForRead(stream));
   EXPECT_TRUE(path.ensureFile());
   EXPECT_TRUE(path.copy(at("copy.txt")));
   EXPECT_TRUE(path.move(at("moved.txt")));
   EXPECT_TRUE(at(replacement).copy(path));
   EXPECT_EQ(static_cast<int>(ERROR_INVALID_NAME), path.createDirectory("").getCode());
   EXPECT_EQ("other", read(replacement));
   EXPECT_FALSE(present("copy.txt"));
   EXPECT_FALSE(present("moved.txt"));

   // A path computed from it keeps the surrogate, and names nothing either.
   const FilePath parent = FilePath(path.getAbsolutePathW() + L"/x").getParent();
   EXPECT_EQ(path.getAbsolutePathW(), parent.getAbsolutePathW());
   EXPECT_FALSE(parent.exists());
   EXPECT_FALSE(parent.remove());
   EXPECT_EQ("other", read(replacement));
}

TEST_F(FilePathFileSystemTest, WorkingDirectory)
{
   const FilePath original = FilePath(boost::filesystem::current_path().string());
   RestoreCurrentPathScope restore(original, ERROR_LOCATION);

   EXPECT_FALSE(at("made/here").makeCurrentPath(true));
   EXPECT_TRUE(at("made/here").isDirectory());
   EXPECT_TRUE(boost::filesystem::equivalent(native("made/here"), boost::filesystem::current_path()));

   EXPECT_FALSE(FilePath::makeCurrentPath(native("made")));
   EXPECT_TRUE(boost::filesystem::equivalent(native("made"), boost::filesystem::current_path()));

   const Error error = at("absent").makeCurrentPath();
   EXPECT_TRUE(isFileNotFoundError(error)) << error.asString();
   EXPECT_EQ(native("absent"), error.getProperty("path"));
   EXPECT_FALSE(present("absent"));

   // As on Windows: a folder missing on the way to the last name is error 3, not 2.
   const Error deeper = at("absent/deeper").makeCurrentPath();
   EXPECT_TRUE(isPathNotFoundError(deeper)) << deeper.asString();
   EXPECT_EQ(native("absent/deeper"), deeper.getProperty("path"));
}

// Linux gives one errno value where Windows tells situations apart, and names others
// Windows numbers too: each failure carries the number Windows gives for it.
TEST_F(FilePathFileSystemTest, FailuresCarryTheNumbersWindowsGives)
{
   RestoreCurrentPathScope restore(FilePath(boost::filesystem::current_path().string()), ERROR_LOCATION);
   write("file.txt", "x");
   boost::filesystem::create_symlink(native("loop"), native("loop"));
   std::shared_ptr<std::istream> input;
   struct Case
   {
      const char* name;
      std::function<Error()> call;
      int expected;
   };
   const Case cases[] = {
      {"opening a looping link", [&] { return at("loop").openForRead(input); }, 1921},
      {"opening with no descriptor left",
       [&] {
          testing::DescriptorsTaken taken;
          return at("file.txt").openForRead(input);
       },
       4},
      {"a folder where a file stands", [&] { return at("file.txt").createDirectory(); }, 183},
      {"a folder below a file", [&] { return at("file.txt").createDirectory("below"); }, 3},
      {"the working directory on a file", [&] { return at("file.txt").makeCurrentPath(); }, 267},
      {"the working directory below a file", [&] { return at("file.txt/below").makeCurrentPath(); }, 3},
      {"the working directory on a looping link", [&] { return at("loop").makeCurrentPath(); }, 1921},
   };
   for (const Case& c : cases)
   {
      const Error error = c.call();
      EXPECT_EQ(c.expected, error.getCode()) << c.name << ": " << error.asString();
      EXPECT_EQ("system", error.getName()) << c.name;
   }
}

TEST_F(FilePathFileSystemTest, CompletionWithoutAWorkingDirectory)
{
   RestoreCurrentPathScope restore(FilePath(boost::filesystem::current_path().string()), ERROR_LOCATION);
   ASSERT_FALSE(at("gone").makeCurrentPath(true));
   ASSERT_FALSE(at("gone").remove());
   auto log = captureLog();

   const FilePath relative("rel");
   EXPECT_EQ(relative, relative.completePath("x"));
   ASSERT_EQ(1u, log->lines().size());
   EXPECT_NE(std::string::npos, log->lines()[0].find("system error 2")) << log->lines()[0];
   EXPECT_NE(std::string::npos, log->lines()[0].find("[path: rel, path: x]")) << log->lines()[0];

   FilePath child("C:/untouched");
   const Error error = relative.completeChildPath("x", child);
   EXPECT_TRUE(isFileNotFoundError(error));
   EXPECT_EQ(relative, child);

   FilePath unique("C:/untouched");
   const Error uniqueError = FilePath::uniqueFilePath("rel", unique);
   EXPECT_TRUE(uniqueError);
   EXPECT_TRUE(uniqueError.getProperties().empty());
   EXPECT_EQ("C:/untouched", unique.getAbsolutePath());

   EXPECT_EQ(native("x"), FilePath(root_.string()).completePath("x").getAbsolutePath())
      << "a rooted base does without the working directory";
   EXPECT_EQ(1u, log->lines().size());
}

TEST_F(FilePathFileSystemTest, OpeningForReadAndWrite)
{
   std::shared_ptr<std::istream> input;
   Error error = at("missing.txt").openForRead(input);
   EXPECT_TRUE(isFileNotFoundError(error));
   EXPECT_EQ(native("missing.txt"), error.getProperty("path"));
   EXPECT_EQ(nullptr, input);

   for (bool truncate : {true, false})
   {
      const std::string name = truncate ? "created-truncating.txt" : "created-appending.txt";
      std::shared_ptr<std::ostream> output;
      ASSERT_FALSE(at(name).openForWrite(output, truncate));
      *output << "hello";
      output.reset();
      EXPECT_EQ("hello", read(name));
   }

   write("append.txt", "xyz");
   write("truncate.txt", "xyz");
   for (const auto& [name, truncate, expected] :
        {std::make_tuple("append.txt", false, "xyzabc"), std::make_tuple("truncate.txt", true, "abc")})
   {
      std::shared_ptr<std::ostream> output;
      ASSERT_FALSE(at(name).openForWrite(output, truncate));
      *output << "abc";
      output.reset();
      EXPECT_EQ(expected, read(name));
   }

   ASSERT_FALSE(at("append.txt").openForRead(input));
   EXPECT_EQ("xyzabc", readAll(*input));
}

TEST_F(FilePathFileSystemTest, OpeningFailures)
{
   boost::filesystem::create_directory(native("folder"));
   std::shared_ptr<std::ostream> output;
   std::shared_ptr<std::istream> input;

   Error error = at("no/such/folder.txt").openForWrite(output);
   EXPECT_TRUE(isPathNotFoundError(error)) << error.asString();
   EXPECT_EQ(native("no/such/folder.txt"), error.getProperty("path"));
   EXPECT_TRUE(isPathNotFoundError(at("no/such/folder.txt").openForRead(input)));
   EXPECT_FALSE(present("no"));

   EXPECT_EQ(5, at("folder").openForWrite(output, false).getCode());
   EXPECT_EQ(5, at("folder").openForRead(input).getCode());
   EXPECT_EQ(3, FilePath().openForRead(input).getCode());
   EXPECT_EQ(nullptr, output);
   EXPECT_EQ(nullptr, input);

   velorin::platform::failNext("CreateFileW", ERROR_ACCESS_DENIED);
   error = at("file.txt").openForWrite(output);
   EXPECT_EQ(5, error.getCode());
   EXPECT_EQ((Error::Properties{{"path", native("file.txt")}}), error.getProperties());
}

TEST_F(FilePathFileSystemTest, SharingBetweenStreams)
{
   write("shared.txt", "data");
   const FilePath file = at("shared.txt");
   {
      std::shared_ptr<std::ostream> writer;
      ASSERT_FALSE(file.openForWrite(writer, false));
      std::shared_ptr<std::ostream> secondWriter;
      std::shared_ptr<std::istream> reader;
      for (bool truncate : {true, false})
      {
         const Error error = file.openForWrite(secondWriter, truncate);
         EXPECT_EQ(32, error.getCode());
         EXPECT_EQ(file.getAbsolutePath(), error.getProperty("path"));
      }
      EXPECT_EQ(32, file.openForRead(reader).getCode());
      EXPECT_EQ(nullptr, secondWriter);
      EXPECT_EQ(nullptr, reader);
   }
   EXPECT_EQ("data", read("shared.txt")) << "a refused truncating open empties nothing";
   {
      std::shared_ptr<std::istream> reader;
      ASSERT_FALSE(file.openForRead(reader));
      std::shared_ptr<std::istream> secondReader;
      EXPECT_FALSE(file.openForRead(secondReader));
      std::shared_ptr<std::ostream> writer;
      EXPECT_EQ(32, file.openForWrite(writer, true).getCode());
      EXPECT_EQ(32, file.openForWrite(writer, false).getCode());
      EXPECT_EQ("data", readAll(*secondReader));
   }
   std::shared_ptr<std::ostream> writer;
   EXPECT_FALSE(file.openForWrite(writer)) << "closing the last stream lets the file go";
}

// The last error of an open of the file in another process (mode: read, write, append).
int openErrorInChild(const std::string& mode, const std::string& path)
{
   const std::string command = std::string(SHARE_MODE_HELPER) + " " + mode + " '" + path + "' try";
   const int status = std::system(command.c_str());
   return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(FilePathFileSystemTest, SharingWithAnotherProcess)
{
   write("shared.txt", "data");
   const FilePath file = at("shared.txt");
   for (bool truncate : {true, false})
   {
      std::shared_ptr<std::ostream> writer;
      ASSERT_FALSE(file.openForWrite(writer, truncate));
      for (const char* mode : {"read", "write", "append"})
         EXPECT_EQ(32, openErrorInChild(mode, file.getAbsolutePath())) << mode << " while writing";
   }
   std::shared_ptr<std::istream> reader;
   ASSERT_FALSE(file.openForRead(reader));
   EXPECT_EQ(0, openErrorInChild("read", file.getAbsolutePath()));
   EXPECT_EQ(32, openErrorInChild("write", file.getAbsolutePath()));
   EXPECT_EQ(32, openErrorInChild("append", file.getAbsolutePath()));
   reader.reset();
   EXPECT_EQ(0, openErrorInChild("write", file.getAbsolutePath())) << "the closed stream let the file go";
}

TEST_F(FilePathFileSystemTest, EnsureDirectoryAndFile)
{
   write("file.txt", "keep");
   EXPECT_FALSE(at("file.txt").ensureDirectory());
   EXPECT_EQ("keep", read("file.txt"));
   EXPECT_FALSE(at("file.txt").ensureFile());
   EXPECT_EQ("keep", read("file.txt"));

   EXPECT_FALSE(at("new/folder").ensureDirectory());
   EXPECT_TRUE(at("new/folder").isDirectory());
   EXPECT_FALSE(at("new/folder").ensureFile());
   EXPECT_TRUE(at("new/folder").isDirectory());

   EXPECT_FALSE(at("new/empty.txt").ensureFile());
   EXPECT_TRUE(at("new/empty.txt").isRegularFile());
   EXPECT_EQ(0u, at("new/empty.txt").getSize());

   const Error error = at("missing/file.txt").ensureFile();
   EXPECT_TRUE(isPathNotFoundError(error));
   EXPECT_EQ(native("missing/file.txt"), error.getProperty("path"));
   EXPECT_FALSE(present("missing"));
}

TEST_F(FilePathFileSystemTest, CreateDirectory)
{
   const FilePath deep = at("a/b/c");
   EXPECT_FALSE(deep.createDirectory());
   EXPECT_TRUE(deep.isDirectory());
   EXPECT_FALSE(deep.createDirectory());

   EXPECT_FALSE(at("a").createDirectory("x/y"));
   EXPECT_TRUE(at("a/x/y").isDirectory());
   EXPECT_FALSE(at("elsewhere").createDirectory(native("absolute")));
   EXPECT_TRUE(at("absolute").isDirectory());
   EXPECT_FALSE(present("elsewhere"));

   write("a/file", "x");
   const Error error = at("a").createDirectory("file/below");
   ASSERT_TRUE(error);
   EXPECT_EQ((Error::Properties{{"path", native("a")}, {"target-dir", "file/below"}}), error.getProperties());
   EXPECT_TRUE(at("a/file").createDirectory()) << "a file stands where the folder must be";
}

TEST_F(FilePathFileSystemTest, CopyRefusesAnExistingTarget)
{
   write("source.txt", "new");
   write("target.txt", "old");
   const Error error = at("source.txt").copy(at("target.txt"));
   EXPECT_EQ(80, error.getCode());
   EXPECT_EQ("system", error.getName());
   EXPECT_EQ((Error::Properties{{"path", native("source.txt")}, {"target-path", native("target.txt")}}),
             error.getProperties());
   EXPECT_EQ("old", read("target.txt"));

   EXPECT_FALSE(at("source.txt").copy(at("copy.txt")));
   EXPECT_EQ("new", read("copy.txt"));
   EXPECT_TRUE(isFileNotFoundError(at("missing.txt").copy(at("other.txt"))));
   EXPECT_FALSE(present("other.txt"));
}

TEST_F(FilePathFileSystemTest, CopyDirectoryRecursive)
{
   write("source/top.txt", "top");
   write("source/sub/inner.txt", "inner");
   boost::filesystem::create_directories(native("source/empty"));
   EXPECT_FALSE(at("source").copyDirectoryRecursive(at("target")));
   EXPECT_EQ("top", read("target/top.txt"));
   EXPECT_EQ("inner", read("target/sub/inner.txt"));
   EXPECT_TRUE(at("target/empty").isDirectory());

   // Onto a tree holding one of the files: the others arrive, the existing one is logged.
   auto log = captureLog();
   write("partial/top.txt", "mine");
   EXPECT_FALSE(at("source").copyDirectoryRecursive(at("partial")));
   EXPECT_EQ("mine", read("partial/top.txt"));
   EXPECT_EQ("inner", read("partial/sub/inner.txt"));
   ASSERT_EQ(1u, log->lines().size());
   EXPECT_NE(std::string::npos, log->lines()[0].find("target-path: " + native("partial/top.txt")));

   EXPECT_TRUE(isPathNotFoundError(at("missing").copyDirectoryRecursive(at("nowhere"))));
}

// A FIFO in a tree would hold its copy for ever: it is refused at once, logged, and the
// rest arrives. Across volumes the source then stays whole, and so does a FIFO moved
// by itself.
TEST_F(FilePathFileSystemTest, CopiesAndMovesPassOverWhatIsNoFile)
{
   auto log = captureLog();
   write("source/top.txt", "top");
   write("source/sub/inner.txt", "inner");
   const std::string fifo = native("source/pipe");
   ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));

   Error copied;
   ASSERT_TRUE(testing::returnsPromptly(fifo, [&] { copied = at("source").copyDirectoryRecursive(at("target")); }));
   EXPECT_FALSE(copied) << copied.asString();
   EXPECT_EQ("top", read("target/top.txt"));
   EXPECT_EQ("inner", read("target/sub/inner.txt"));
   EXPECT_FALSE(present("target/pipe"));
   ASSERT_EQ(1u, log->lines().size());
   EXPECT_NE(std::string::npos, log->lines()[0].find("system error 1920")) << log->lines()[0];
   EXPECT_NE(std::string::npos, log->lines()[0].find("path: " + fifo)) << log->lines()[0];

   for (const char* source : {"source", "source/pipe"})
   {
      velorin::platform::failNext("MoveFileExW", ERROR_NOT_SAME_DEVICE);
      Error moved;
      ASSERT_TRUE(testing::returnsPromptly(fifo, [&] { moved = at(source).move(at("moved"), FilePath::MoveCrossDevice); }))
         << source;
      EXPECT_EQ(1920, moved.getCode()) << source;
      EXPECT_EQ(fifo, moved.getProperty("path")) << source;
      EXPECT_TRUE(present("source/pipe")) << source;
      EXPECT_EQ("top", read("source/top.txt")) << source;
      EXPECT_FALSE(present("moved/pipe")) << source;
   }
}

TEST_F(FilePathFileSystemTest, CopyOrMoveIntoItsOwnTreeIsRefused)
{
   write("tree/file.txt", "x");
   for (const char* inside : {"tree/sub", "tree", "tree/./a/.."})
   {
      const Error error = at("tree").copyDirectoryRecursive(at(inside));
      EXPECT_EQ(87, error.getCode()) << inside;
      EXPECT_EQ(native(inside), error.getProperty("target-path"));
   }
   EXPECT_EQ(87, at("tree").move(at("tree/sub")).getCode());
   EXPECT_EQ(87, at("tree").move(at("tree/sub"), FilePath::MoveDirect).getCode());
   EXPECT_FALSE(present("tree/sub"));
   EXPECT_EQ("x", read("tree/file.txt"));

   boost::filesystem::create_directory_symlink(native("tree"), native("alias"));
   EXPECT_EQ(87, at("tree").copyDirectoryRecursive(at("alias/sub")).getCode()) << "links are followed";
   EXPECT_FALSE(at("tree").copyDirectoryRecursive(at("tree-copy")));
}

TEST_F(FilePathFileSystemTest, MoveOnOneVolume)
{
   write("a.txt", "a");
   write("b.txt", "b");
   EXPECT_FALSE(at("a.txt").move(at("b.txt")));
   EXPECT_EQ("a", read("b.txt"));
   EXPECT_FALSE(present("a.txt"));

   write("folder/inner.txt", "i");
   EXPECT_FALSE(at("folder").move(at("renamed"), FilePath::MoveDirect));
   EXPECT_EQ("i", read("renamed/inner.txt"));

   const Error error = at("missing").move(at("somewhere"));
   EXPECT_TRUE(isFileNotFoundError(error));
   EXPECT_EQ((Error::Properties{{"path", native("missing")}, {"target-path", native("somewhere")}}),
             error.getProperties());
}

TEST_F(FilePathFileSystemTest, MoveOntoAnotherLinkOfTheSameFileRemovesTheSourceName)
{
   write("a.txt", "a");
   boost::filesystem::create_hard_link(native("a.txt"), native("b.txt"));
   EXPECT_FALSE(at("a.txt").move(at("b.txt")));
   EXPECT_FALSE(present("a.txt"));
   EXPECT_EQ("a", read("b.txt"));

   // Onto its own path, however written, a move changes nothing; named as a folder,
   // the file is refused.
   boost::filesystem::create_directory(native("sub"));
   for (const char* same : {"b.txt", "./b.txt", "sub/../b.txt"})
   {
      EXPECT_FALSE(at("b.txt").move(at(same))) << same;
      EXPECT_EQ("a", read("b.txt")) << same;
   }
   EXPECT_EQ(at("b.txt").move(at("b.txt/")).getCode(), 123);
   EXPECT_EQ("a", read("b.txt"));
}

TEST_F(FilePathFileSystemTest, MoveAcrossVolumes)
{
   const std::string volume = otherVolume();
   if (volume.empty())
      GTEST_SKIP() << "no second writable volume";
   const boost::filesystem::path away = volume / boost::filesystem::unique_path("velorin-move-%%%%-%%%%");
   struct Cleanup
   {
      boost::filesystem::path path;
      ~Cleanup()
      {
         boost::system::error_code ec;
         boost::filesystem::remove_all(path, ec);
      }
   } cleanup{away};
   boost::filesystem::create_directories(away / "existing");
   const FilePath target((away / "tree").string());

   write("tree/sub/inner.txt", "inner");
   const Error direct = at("tree").move(target, FilePath::MoveDirect);
   EXPECT_EQ(17, direct.getCode());
   EXPECT_EQ(target.getAbsolutePath(), direct.getProperty("target-path"));
   EXPECT_TRUE(present("tree/sub/inner.txt"));

   EXPECT_FALSE(at("tree").move(target, FilePath::MoveCrossDevice));
   EXPECT_FALSE(present("tree"));
   EXPECT_TRUE(target.completePath("sub/inner.txt").isRegularFile());

   // Into an existing folder, under its own name.
   write("second/file.txt", "2");
   EXPECT_FALSE(at("second").move(FilePath((away / "existing").string())));
   EXPECT_TRUE(boost::filesystem::is_regular_file(away / "existing" / "second" / "file.txt"));
   EXPECT_FALSE(present("second"));

   // A file carries over by itself, replacing the target.
   write("file.txt", "new");
   std::ofstream((away / "file.txt").string()) << "old";
   EXPECT_FALSE(at("file.txt").move(FilePath((away / "file.txt").string()), FilePath::MoveDirect));
   EXPECT_FALSE(present("file.txt"));
}

TEST_F(FilePathFileSystemTest, FailedCrossDeviceCopyKeepsTheSource)
{
   auto log = captureLog();
   write("tree/a.txt", "a");
   write("tree/held.txt", "held");
   write("tree/z.txt", "z");
   std::shared_ptr<std::ostream> holder;
   ASSERT_FALSE(at("tree/held.txt").openForWrite(holder, false));

   velorin::platform::failNext("MoveFileExW", ERROR_NOT_SAME_DEVICE);
   const Error error = at("tree").move(at("target"), FilePath::MoveCrossDevice);
   EXPECT_EQ(32, error.getCode()) << "the copy of the held file fails";
   EXPECT_EQ(native("tree/held.txt"), error.getProperty("path"));
   EXPECT_EQ("held", read("tree/held.txt"));
   EXPECT_EQ("a", read("tree/a.txt"));
   EXPECT_EQ("z", read("target/z.txt")) << "the others were copied";
   EXPECT_EQ(1u, log->lines().size());

   holder.reset();
   velorin::platform::failNext("MoveFileExW", ERROR_NOT_SAME_DEVICE);
   EXPECT_FALSE(at("tree").move(at("fresh")));
   EXPECT_FALSE(present("tree"));
   EXPECT_EQ("held", read("fresh/held.txt"));
}

TEST_F(FilePathFileSystemTest, Remove)
{
   EXPECT_FALSE(at("missing").remove());
   EXPECT_FALSE(at("missing").removeIfExists());

   write("tree/sub/file.txt", "x");
   write("kept/file.txt", "k");
   boost::filesystem::create_directory_symlink(native("kept"), native("tree/link"));
   boost::filesystem::create_directory_symlink(native("kept"), native("link"));
   EXPECT_FALSE(at("link").remove());
   EXPECT_FALSE(present("link"));
   EXPECT_FALSE(at("tree").remove());
   EXPECT_FALSE(present("tree"));
   EXPECT_EQ("k", read("kept/file.txt")) << "links are removed, not followed";

   EXPECT_FALSE(at("kept/file.txt").removeIfExists());
   EXPECT_FALSE(present("kept/file.txt"));
}

// A trailing separator or final "." never reaches through a link into its folder, and
// never leaves a folder's contents to be emptied without the folder.
TEST_F(FilePathFileSystemTest, EndingsNameTheEntryForQueriesAndRemoval)
{
   checkEveryEnding([this](const std::string& folder, const EntryKind& kind, const std::string& ending) {
      const FilePath path = at(folder + kind.name + ending);
      if (namesFileAsFolder(kind, ending))
      {
         EXPECT_FALSE(path.exists());
         EXPECT_FALSE(FilePath::exists(path.getAbsolutePath()));
         EXPECT_FALSE(path.isRegularFile());
         EXPECT_FALSE(path.remove()) << "nothing by that name to remove";
         EXPECT_TRUE(present(folder + kind.name)) << "the file stays";
         return;
      }
      EXPECT_TRUE(path.exists());
      EXPECT_TRUE(FilePath::exists(path.getAbsolutePath()));
      EXPECT_EQ(kind.directory, path.isDirectory());
      EXPECT_EQ(kind.regularFile, path.isRegularFile());
      EXPECT_EQ(kind.symlink, path.isSymlink());
      EXPECT_EQ(kind.size, path.getSize());

      EXPECT_FALSE(path.remove());
      EXPECT_FALSE(present(folder + kind.name)) << "the entry itself goes";
      EXPECT_FALSE(path.exists());
      EXPECT_FALSE(path.removeIfExists());
   });
}

TEST_F(FilePathFileSystemTest, EndingsNameTheEntryForCopyAndMove)
{
   checkEveryEnding([this](const std::string& folder, const EntryKind& kind, const std::string& ending) {
      const FilePath path = at(folder + kind.name + ending);
      const Error copied = path.copy(at(folder + "copy" + ending));
      if (namesFileAsFolder(kind, ending))
      {
         EXPECT_EQ(123, copied.getCode());
         EXPECT_FALSE(present(folder + "copy"));
         EXPECT_EQ(123, path.move(at(folder + "moved" + ending)).getCode());
         EXPECT_EQ("12345", read(folder + kind.name)) << "the file stays";
         EXPECT_FALSE(present(folder + "moved"));
         return;
      }
      if (kind.regularFile)
      {
         EXPECT_FALSE(copied);
         EXPECT_EQ("12345", read(folder + "copy"));
      }
      else
      {
         EXPECT_EQ(5, copied.getCode()) << "a folder is not a file to copy";
         EXPECT_FALSE(present(folder + "copy"));
      }

      EXPECT_FALSE(path.move(at(folder + "moved" + ending)));
      EXPECT_FALSE(present(folder + kind.name));
      EXPECT_EQ(kind.symlink, isLink(folder + "moved")) << "a link moves as itself";
      if (kind.regularFile)
      {
         EXPECT_EQ("12345", read(folder + "moved"));
      }
      EXPECT_EQ(kind.name == std::string("folder"), present(folder + "moved/inner.txt"));
   });
}

// Removal guards, resetting and the copy-and-remove move all act through the path's
// own members, so they too stop at the link.
TEST_F(FilePathFileSystemTest, EndingsNameTheEntryForResetScopeAndCrossDeviceMove)
{
   makeEntries("");
   {
      RemoveOnExitScope scope(at("link/"), ERROR_LOCATION);
   }
   EXPECT_FALSE(present("link"));
   EXPECT_EQ("kept", read("linked/inside.txt"));

   boost::filesystem::create_directory_symlink(native("linked"), native("link"));
   EXPECT_FALSE(at("link\\").resetDirectory());
   EXPECT_FALSE(isLink("link"));
   EXPECT_TRUE(at("link").isDirectory()) << "an empty folder in place of the link";
   EXPECT_EQ("kept", read("linked/inside.txt"));

   // Into an existing folder under the entry's own name, not under ".".
   boost::filesystem::create_directory(native("box"));
   velorin::platform::failNext("MoveFileExW", ERROR_NOT_SAME_DEVICE);
   EXPECT_FALSE(at("folder/.").move(at("box/"), FilePath::MoveCrossDevice));
   EXPECT_FALSE(present("folder"));
   EXPECT_EQ("inner", read("box/folder/inner.txt"));

   boost::filesystem::remove(native("link"));
   boost::filesystem::create_directory_symlink(native("linked"), native("link"));
   velorin::platform::failNext("MoveFileExW", ERROR_NOT_SAME_DEVICE);
   EXPECT_FALSE(at("link/").move(at("elsewhere"), FilePath::MoveCrossDevice));
   EXPECT_FALSE(present("link"));
   EXPECT_EQ("kept", read("elsewhere/inside.txt"));
   EXPECT_EQ("kept", read("linked/inside.txt"));
}

// ".." goes back by the text, as on Windows: "tree/link/../x" is "tree/x", never the
// "x" that stands beside the folder the link points to.
TEST_F(FilePathFileSystemTest, ParentElementsAfterALinkStayWithinTheGivenPath)
{
   write("tree/x.txt", "mine");
   write("away/target/inside.txt", "in");
   write("away/x.txt", "theirs");
   boost::filesystem::create_directory_symlink(native("away/target"), native("tree/link"));

   const FilePath throughLink = at("tree/link/../x.txt");
   EXPECT_EQ(4u, throughLink.getSize());
   EXPECT_FALSE(throughLink.remove());
   EXPECT_FALSE(present("tree/x.txt"));
   EXPECT_EQ("theirs", read("away/x.txt"));

   EXPECT_TRUE(at("tree/link/..").isDirectory()) << "the folder that holds the link";
   EXPECT_FALSE(at("tree/link/../link").remove());
   EXPECT_FALSE(isLink("tree/link"));
   EXPECT_EQ("in", read("away/target/inside.txt"));
}

TEST_F(FilePathFileSystemTest, ResetDirectory)
{
   write("folder/a/b.txt", "x");
   EXPECT_FALSE(at("folder").resetDirectory());
   std::vector<FilePath> children;
   EXPECT_FALSE(at("folder").getChildren(children));
   EXPECT_TRUE(children.empty());
   EXPECT_FALSE(at("fresh").resetDirectory());
   EXPECT_TRUE(at("fresh").isDirectory());
}

TEST(FilePathNamesTest, UniqueAndTemporaryPaths)
{
   const std::regex digits("[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}");
   FilePath unique;
   ASSERT_FALSE(FilePath::uniqueFilePath("C:/tmp", ".txt", unique));
   const std::string text = unique.getAbsolutePath();
   ASSERT_EQ(std::string("C:/tmp/").size() + 19 + 4, text.size()) << text;
   EXPECT_EQ(0u, text.find("C:/tmp/"));
   EXPECT_TRUE(std::regex_match(text.substr(7, 19), digits)) << text;
   EXPECT_EQ(".txt", text.substr(26));

   ASSERT_FALSE(FilePath::uniqueFilePath("C:\\tmp", "txt", unique));
   EXPECT_TRUE(std::regex_match(unique.getAbsolutePath(), std::regex("C:/tmp/" "[0-9a-f-]{19}txt")))
      << unique.getAbsolutePath();

   ASSERT_FALSE(FilePath::uniqueFilePath("relative", unique));
   EXPECT_EQ(boost::filesystem::current_path().string() + "/relative/", unique.getAbsolutePath().substr(0, unique.getAbsolutePath().size() - 19));

   FilePath first;
   FilePath second;
   ASSERT_FALSE(FilePath::tempFilePath(first));
   ASSERT_FALSE(FilePath::tempFilePath(".log", second));
   EXPECT_NE(first, second);
   EXPECT_EQ(".log", second.getExtension());
   EXPECT_EQ(FilePath(boost::filesystem::temp_directory_path().string()), first.getParent());
   EXPECT_FALSE(first.exists());
   EXPECT_FALSE(second.exists());
}

} // namespace
} // namespace velorin::core
