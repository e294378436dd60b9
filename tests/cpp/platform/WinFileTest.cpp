// WinFileTest.cpp: CreateFileW's share modes (in this process and against another),
// its errors and creation rules, and the attribute, copy and move calls.
#include <platform/Win32Api.hpp>
#include <platform/TestHooks.hpp>

#include <csignal>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/filesystem.hpp>
#include <gtest/gtest.h>

#include "DescriptorsTaken.hpp"
#include "FifoGuard.hpp"
#include "ScratchFolder.hpp"

extern char** environ;

namespace {

struct Mode
{
   const char* name;
   DWORD access;
   DWORD share;
   DWORD disposition;
};

const Mode kRead{"read", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING};
const Mode kWrite{"write", GENERIC_WRITE, 0, CREATE_ALWAYS};
const Mode kAppend{"append", FILE_APPEND_DATA, 0, OPEN_ALWAYS};

struct ShareCase
{
   Mode first;
   Mode second;
   DWORD expected;
};

// While a writer holds the file nobody else gets in; readers share with readers only.
const ShareCase kShareMatrix[] = {
   {kWrite, kWrite, ERROR_SHARING_VIOLATION},   {kWrite, kRead, ERROR_SHARING_VIOLATION},
   {kWrite, kAppend, ERROR_SHARING_VIOLATION},  {kAppend, kAppend, ERROR_SHARING_VIOLATION},
   {kAppend, kRead, ERROR_SHARING_VIOLATION},   {kRead, kRead, ERROR_SUCCESS},
   {kRead, kWrite, ERROR_SHARING_VIOLATION},    {kRead, kAppend, ERROR_SHARING_VIOLATION},
};

std::wstring wide(const std::string& text)
{
   const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
   std::vector<wchar_t> buffer(static_cast<std::size_t>(size));
   ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, buffer.data(), size);
   return std::wstring(buffer.data());
}

class WinFileTest : public ::testing::Test
{
protected:
   void SetUp() override { write("file.txt", "content"); }

   std::string native(const std::string& relative) const { return (root_ / relative).string(); }

   void write(const std::string& relative, const std::string& content) const
   {
      std::ofstream(native(relative), std::ios::binary) << content;
   }

   std::string read(const std::string& relative) const
   {
      std::ifstream stream(native(relative), std::ios::binary);
      return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
   }

   HANDLE open(const std::string& relative, const Mode& mode) const
   {
      return ::CreateFileW(wide(native(relative)).c_str(), mode.access, mode.share, nullptr, mode.disposition, 0,
                           nullptr);
   }

   DWORD openError(const std::string& relative, const Mode& mode) const
   {
      HANDLE handle = open(relative, mode);
      if (handle == INVALID_HANDLE_VALUE)
         return ::GetLastError();
      ::CloseHandle(handle);
      return ERROR_SUCCESS;
   }

   const velorin::core::testing::ScratchFolder root_{"velorin-winfile-%%%%-%%%%"};
};

pid_t spawnHelper(const std::vector<std::string>& arguments, posix_spawn_file_actions_t* actions)
{
   std::vector<char*> argv;
   std::string helper = SHARE_MODE_HELPER;
   argv.push_back(helper.data());
   std::vector<std::string> copies = arguments;
   for (std::string& argument : copies)
      argv.push_back(argument.data());
   argv.push_back(nullptr);
   pid_t pid = -1;
   if (::posix_spawn(&pid, helper.c_str(), actions, nullptr, argv.data(), environ) != 0)
      return -1;
   return pid;
}

// The last error another process gets when it opens the file.
int openErrorInChild(const Mode& mode, const std::string& path)
{
   const pid_t pid = spawnHelper({mode.name, path, "try"}, nullptr);
   if (pid < 0)
      return -1;
   int status = 0;
   ::waitpid(pid, &status, 0);
   return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A process that holds the file open until it is told to let go or is killed.
class ChildHolder
{
public:
   ChildHolder(const Mode& mode, const std::string& path)
   {
      int toChild[2];
      int fromChild[2];
      if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0)
         return;
      posix_spawn_file_actions_t actions;
      ::posix_spawn_file_actions_init(&actions);
      ::posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
      ::posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
      pid_ = spawnHelper({mode.name, path, "hold"}, &actions);
      ::posix_spawn_file_actions_destroy(&actions);
      ::close(toChild[0]);
      ::close(fromChild[1]);
      toChild_ = toChild[1];
      char status = 0;
      opened_ = ::read(fromChild[0], &status, 1) == 1 && status == 'k';
      ::close(fromChild[0]);
   }

   ~ChildHolder()
   {
      if (toChild_ >= 0)
         ::close(toChild_);
      wait();
   }

   bool opened() const { return opened_; }

   void kill()
   {
      ::kill(pid_, SIGKILL);
      wait();
   }

private:
   void wait()
   {
      if (pid_ > 0)
         ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
   }

   pid_t pid_ = -1;
   int toChild_ = -1;
   bool opened_ = false;
};

std::string describe(const ShareCase& c)
{
   return std::string(c.first.name) + " then " + c.second.name;
}

TEST_F(WinFileTest, ShareMatrixInOneProcess)
{
   for (const ShareCase& c : kShareMatrix)
   {
      HANDLE first = open("file.txt", c.first);
      ASSERT_NE(INVALID_HANDLE_VALUE, first) << describe(c);
      EXPECT_EQ(c.expected, openError("file.txt", c.second)) << describe(c);
      EXPECT_TRUE(::CloseHandle(first));
      EXPECT_EQ(ERROR_SUCCESS, openError("file.txt", c.second)) << "released: " << describe(c);
   }
}

TEST_F(WinFileTest, ShareMatrixAgainstAnotherProcess)
{
   for (const ShareCase& c : kShareMatrix)
   {
      HANDLE first = open("file.txt", c.first);
      ASSERT_NE(INVALID_HANDLE_VALUE, first) << describe(c);
      EXPECT_EQ(static_cast<int>(c.expected), openErrorInChild(c.second, native("file.txt"))) << describe(c);
      ::CloseHandle(first);

      ChildHolder holder(c.first, native("file.txt"));
      ASSERT_TRUE(holder.opened()) << describe(c);
      EXPECT_EQ(c.expected, openError("file.txt", c.second)) << "held by the child: " << describe(c);
   }
}

TEST_F(WinFileTest, SharingEndsWhenTheHoldingProcessDies)
{
   ChildHolder holder(kWrite, native("file.txt"));
   ASSERT_TRUE(holder.opened());
   EXPECT_EQ(ERROR_SHARING_VIOLATION, openError("file.txt", kRead));
   holder.kill();
   EXPECT_EQ(ERROR_SUCCESS, openError("file.txt", kRead));
}

TEST_F(WinFileTest, RefusedTruncationLeavesTheFileWhole)
{
   HANDLE reader = open("file.txt", kRead);
   ASSERT_NE(INVALID_HANDLE_VALUE, reader);
   EXPECT_EQ(ERROR_SHARING_VIOLATION, openError("file.txt", kWrite));
   EXPECT_EQ("content", read("file.txt"));
   ::CloseHandle(reader);
}

TEST_F(WinFileTest, OpenErrors)
{
   boost::filesystem::create_directory(root_ / "folder");
   struct Case
   {
      std::string path;
      Mode mode;
      DWORD expected;
   };
   const Case cases[] = {
      {"missing.txt", kRead, ERROR_FILE_NOT_FOUND},
      {"missing/file.txt", kRead, ERROR_PATH_NOT_FOUND},
      {"missing/file.txt", kWrite, ERROR_PATH_NOT_FOUND},
      {"missing/file.txt", kAppend, ERROR_PATH_NOT_FOUND},
      {"file.txt/below", kRead, ERROR_PATH_NOT_FOUND},
      {"folder", kRead, ERROR_ACCESS_DENIED},
      {"folder", kWrite, ERROR_ACCESS_DENIED},
      {"folder", kAppend, ERROR_ACCESS_DENIED},
   };
   for (const Case& c : cases)
      EXPECT_EQ(c.expected, openError(c.path, c.mode)) << c.path << " " << c.mode.name;

   EXPECT_EQ(INVALID_HANDLE_VALUE, ::CreateFileW(L"", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
   EXPECT_EQ(ERROR_PATH_NOT_FOUND, ::GetLastError());
   EXPECT_EQ(INVALID_HANDLE_VALUE, ::CreateFileW(wide(native("file.txt")).c_str(), 0, 0, nullptr, OPEN_EXISTING, 0, nullptr));
   EXPECT_EQ(ERROR_INVALID_PARAMETER, ::GetLastError());
   EXPECT_FALSE(boost::filesystem::exists(root_ / "missing"));
}

// A FIFO would hold an opener until its other end came, and a socket or a device is no
// file either: each is refused at once, in every mode, and left as it was.
TEST_F(WinFileTest, EntriesThatAreNotFilesAreRefusedWithoutWaiting)
{
   ASSERT_EQ(0, ::mkfifo(native("fifo").c_str(), 0600));
   const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
   sockaddr_un address = {};
   address.sun_family = AF_UNIX;
   ASSERT_LT(native("socket").size(), sizeof(address.sun_path));
   native("socket").copy(address.sun_path, sizeof(address.sun_path) - 1);
   ASSERT_EQ(0, ::bind(server, reinterpret_cast<const sockaddr*>(&address), sizeof(address)));
   boost::filesystem::create_symlink("/dev/null", root_ / "device");

   for (const char* entry : {"fifo", "socket", "device"})
   {
      for (const Mode& mode : {kRead, kWrite, kAppend})
      {
         DWORD error = ERROR_SUCCESS;
         ASSERT_TRUE(velorin::core::testing::returnsPromptly(native("fifo"), [&] { error = openError(entry, mode); }))
            << entry << " " << mode.name;
         EXPECT_EQ(ERROR_CANT_ACCESS_FILE, error) << entry << " " << mode.name;
      }
   }
   ::close(server);

   const std::wstring fifo = wide(native("fifo"));
   const std::wstring file = wide(native("file.txt"));
   struct CopyCase
   {
      const char* name;
      std::wstring from;
      std::wstring to;
      BOOL failIfExists;
      DWORD expected;
   };
   const CopyCase copies[] = {
      {"from a FIFO", fifo, wide(native("copy.txt")), TRUE, ERROR_CANT_ACCESS_FILE},
      {"onto a FIFO", file, fifo, FALSE, ERROR_CANT_ACCESS_FILE},
      {"onto a FIFO that must not exist", file, fifo, TRUE, ERROR_FILE_EXISTS},
   };
   for (const CopyCase& c : copies)
   {
      BOOL copied = TRUE;
      DWORD error = ERROR_SUCCESS;
      ASSERT_TRUE(velorin::core::testing::returnsPromptly(native("fifo"), [&] {
         copied = ::CopyFileW(c.from.c_str(), c.to.c_str(), c.failIfExists);
         error = ::GetLastError();
      })) << c.name;
      EXPECT_FALSE(copied) << c.name;
      EXPECT_EQ(c.expected, error) << c.name;
   }
   EXPECT_FALSE(boost::filesystem::exists(root_ / "copy.txt"));
   EXPECT_EQ(boost::filesystem::fifo_file, boost::filesystem::symlink_status(root_ / "fifo").type());
   EXPECT_EQ("content", read("file.txt"));
}

// Running out of descriptors is Windows' "cannot open the file"; a looping link is a
// name that cannot be resolved.
TEST_F(WinFileTest, OpenErrorsThatLinuxNamesAlike)
{
   boost::filesystem::create_symlink(root_ / "loop", root_ / "loop");
   EXPECT_EQ(ERROR_CANT_RESOLVE_FILENAME, openError("loop", kRead));
   EXPECT_EQ(ERROR_CANT_RESOLVE_FILENAME, openError("loop", kAppend));

   DWORD exhausted = ERROR_SUCCESS;
   {
      velorin::core::testing::DescriptorsTaken taken;
      exhausted = openError("file.txt", kRead);
   }
   EXPECT_EQ(ERROR_TOO_MANY_OPEN_FILES, exhausted);
}

TEST_F(WinFileTest, CreationDispositions)
{
   HANDLE handle = open("file.txt", kWrite);
   ASSERT_NE(INVALID_HANDLE_VALUE, handle);
   EXPECT_EQ(ERROR_ALREADY_EXISTS, ::GetLastError());
   ::CloseHandle(handle);
   EXPECT_EQ("", read("file.txt")) << "CREATE_ALWAYS empties an existing file";

   handle = open("new.txt", kAppend);
   ASSERT_NE(INVALID_HANDLE_VALUE, handle);
   EXPECT_EQ(ERROR_SUCCESS, ::GetLastError());
   ::CloseHandle(handle);
   EXPECT_TRUE(boost::filesystem::is_regular_file(root_ / "new.txt"));

   handle = ::CreateFileW(wide(native("new.txt")).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
   EXPECT_EQ(INVALID_HANDLE_VALUE, handle);
   EXPECT_EQ(ERROR_FILE_EXISTS, ::GetLastError());

   // A link to a missing file leads to where the file is created.
   boost::filesystem::create_symlink(root_ / "target.txt", root_ / "dangling");
   for (const Mode& mode : {kWrite, kAppend})
   {
      EXPECT_EQ(ERROR_SUCCESS, openError("dangling", mode)) << mode.name;
      EXPECT_TRUE(boost::filesystem::is_regular_file(root_ / "target.txt")) << mode.name;
      boost::filesystem::remove(root_ / "target.txt");
   }
   EXPECT_EQ(ERROR_FILE_NOT_FOUND, openError("dangling", kRead));
}

TEST_F(WinFileTest, AppendAccessWritesAtTheEnd)
{
   HANDLE handle = open("file.txt", kAppend);
   ASSERT_NE(INVALID_HANDLE_VALUE, handle);
   const int fd = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(handle), 0);
   ASSERT_GE(fd, 0);
   ::lseek(fd, 0, SEEK_SET);
   ASSERT_EQ(3, ::write(fd, "abc", 3));
   ::close(fd);
   EXPECT_EQ("contentabc", read("file.txt"));
}

TEST_F(WinFileTest, DescriptorTakesOverTheHandle)
{
   HANDLE handle = open("file.txt", kWrite);
   ASSERT_NE(INVALID_HANDLE_VALUE, handle);
   const int fd = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(handle), 0);
   ASSERT_GE(fd, 0);
   EXPECT_FALSE(::CloseHandle(handle)) << "the handle is gone";
   EXPECT_EQ(ERROR_INVALID_HANDLE, ::GetLastError());
   EXPECT_EQ(-1, ::_open_osfhandle(reinterpret_cast<std::intptr_t>(handle), 0));

   EXPECT_EQ(ERROR_SHARING_VIOLATION, openError("file.txt", kRead)) << "the descriptor keeps the share mode";
   ::close(fd);
   EXPECT_EQ(ERROR_SUCCESS, openError("file.txt", kRead));
}

TEST_F(WinFileTest, HandlesAreNeverReused)
{
   HANDLE first = open("file.txt", kRead);
   ASSERT_TRUE(::CloseHandle(first));
   HANDLE second = open("file.txt", kRead);
   EXPECT_NE(first, second);
   EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(second) % 4);
   EXPECT_FALSE(::CloseHandle(first));
   EXPECT_EQ(ERROR_INVALID_HANDLE, ::GetLastError());
   EXPECT_TRUE(::CloseHandle(second));
}

TEST_F(WinFileTest, Attributes)
{
   boost::filesystem::create_directory(root_ / "folder");
   boost::filesystem::create_directory_symlink(root_ / "folder", root_ / "folder-link");
   boost::filesystem::create_symlink(root_ / "file.txt", root_ / "file-link");
   write(".hidden", "h");
   write("readonly.txt", "r");
   ::chmod(native("readonly.txt").c_str(), 0444);

   const std::pair<const char*, DWORD> cases[] = {
      {"file.txt", FILE_ATTRIBUTE_NORMAL},
      {"folder", FILE_ATTRIBUTE_DIRECTORY},
      {"folder/", FILE_ATTRIBUTE_DIRECTORY},
      {"folder-link", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT},
      {"folder-link/", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT},
      {"folder-link\\.", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT},
      {"file.txt//", INVALID_FILE_ATTRIBUTES}, // a file named as a folder
      {"file-link", FILE_ATTRIBUTE_REPARSE_POINT},
      {".hidden", FILE_ATTRIBUTE_HIDDEN},
      {"readonly.txt", FILE_ATTRIBUTE_READONLY},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.second, ::GetFileAttributesW(wide(native(c.first)).c_str())) << c.first;

   EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, ::GetFileAttributesW(wide(root_.string() + "\\folder").c_str()))
      << "a backslash separates";
   EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(wide(native("missing")).c_str()));
   EXPECT_EQ(ERROR_FILE_NOT_FOUND, ::GetLastError());
   EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(wide(native("missing/x")).c_str()));
   EXPECT_EQ(ERROR_PATH_NOT_FOUND, ::GetLastError());
}

TEST_F(WinFileTest, CopyFile)
{
   ::chmod(native("file.txt").c_str(), 0640);
   boost::filesystem::last_write_time(root_ / "file.txt", 1400000000);
   ASSERT_TRUE(::CopyFileW(wide(native("file.txt")).c_str(), wide(native("copy.txt")).c_str(), TRUE));
   EXPECT_EQ("content", read("copy.txt"));
   EXPECT_EQ(1400000000, boost::filesystem::last_write_time(root_ / "copy.txt"));
   EXPECT_EQ(boost::filesystem::owner_read | boost::filesystem::owner_write | boost::filesystem::group_read,
             boost::filesystem::status(root_ / "copy.txt").permissions());

   write("copy.txt", "old");
   EXPECT_FALSE(::CopyFileW(wide(native("file.txt")).c_str(), wide(native("copy.txt")).c_str(), TRUE));
   EXPECT_EQ(ERROR_FILE_EXISTS, ::GetLastError());
   EXPECT_EQ("old", read("copy.txt"));
   EXPECT_TRUE(::CopyFileW(wide(native("file.txt")).c_str(), wide(native("copy.txt")).c_str(), FALSE));
   EXPECT_EQ("content", read("copy.txt"));

   HANDLE writer = open("file.txt", kAppend);
   EXPECT_FALSE(::CopyFileW(wide(native("file.txt")).c_str(), wide(native("other.txt")).c_str(), TRUE));
   EXPECT_EQ(ERROR_SHARING_VIOLATION, ::GetLastError());
   EXPECT_FALSE(boost::filesystem::exists(root_ / "other.txt"));
   ::CloseHandle(writer);

   EXPECT_FALSE(::CopyFileW(wide(native("missing")).c_str(), wide(native("other.txt")).c_str(), TRUE));
   EXPECT_EQ(ERROR_FILE_NOT_FOUND, ::GetLastError());
   EXPECT_FALSE(::CopyFileW(wide(native("file.txt")).c_str(), wide(native("no/other.txt")).c_str(), TRUE));
   EXPECT_EQ(ERROR_PATH_NOT_FOUND, ::GetLastError());
}

TEST_F(WinFileTest, MoveFile)
{
   const DWORD replace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED;
   write("target.txt", "old");
   EXPECT_FALSE(::MoveFileExW(wide(native("file.txt")).c_str(), wide(native("target.txt")).c_str(), 0));
   EXPECT_EQ(ERROR_ALREADY_EXISTS, ::GetLastError());
   ASSERT_TRUE(::MoveFileExW(wide(native("file.txt")).c_str(), wide(native("target.txt")).c_str(), replace));
   EXPECT_EQ("content", read("target.txt"));
   EXPECT_FALSE(boost::filesystem::exists(root_ / "file.txt"));

   boost::filesystem::create_directory(root_ / "folder");
   EXPECT_FALSE(::MoveFileExW(wide(native("target.txt")).c_str(), wide(native("folder")).c_str(), replace));
   EXPECT_EQ(ERROR_ACCESS_DENIED, ::GetLastError()) << "a folder is never replaced";
   EXPECT_FALSE(::MoveFileExW(wide(native("missing")).c_str(), wide(native("x")).c_str(), replace));
   EXPECT_EQ(ERROR_FILE_NOT_FOUND, ::GetLastError());
   EXPECT_FALSE(::MoveFileExW(wide(native("target.txt")).c_str(), wide(native("no/x")).c_str(), replace));
   EXPECT_EQ(ERROR_PATH_NOT_FOUND, ::GetLastError());
   EXPECT_TRUE(::MoveFileExW(wide(native("folder")).c_str(), wide(native("renamed")).c_str(), replace));
}

// A trailing separator names the entry itself, so a link moves and its folder stays.
TEST_F(WinFileTest, MoveFileActsOnTheLinkItself)
{
   boost::filesystem::create_directory(root_ / "folder");
   write("folder/inner.txt", "inner");
   boost::filesystem::create_directory_symlink(root_ / "folder", root_ / "link");
   ASSERT_TRUE(::MoveFileExW(wide(native("link/")).c_str(), wide(native("moved\\.")).c_str(), 0));
   EXPECT_TRUE(boost::filesystem::is_symlink(root_ / "moved"));
   EXPECT_FALSE(boost::filesystem::exists(boost::filesystem::symlink_status(root_ / "link")));
   EXPECT_EQ("inner", read("folder/inner.txt"));
}

// Windows replaces a target that is another name of the same file, which leaves the
// file under the target's name only; POSIX rename would leave both names.
TEST_F(WinFileTest, MoveFileOntoAnotherNameOfTheSameFile)
{
   const DWORD replace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED;
   boost::filesystem::create_hard_link(root_ / "file.txt", root_ / "hard.txt");
   EXPECT_FALSE(::MoveFileExW(wide(native("file.txt")).c_str(), wide(native("hard.txt")).c_str(), 0));
   EXPECT_EQ(ERROR_ALREADY_EXISTS, ::GetLastError());
   ASSERT_TRUE(::MoveFileExW(wide(native("file.txt")).c_str(), wide(native("hard.txt")).c_str(), replace));
   EXPECT_FALSE(boost::filesystem::exists(root_ / "file.txt"));
   EXPECT_EQ("content", read("hard.txt"));
   EXPECT_EQ(1u, boost::filesystem::hard_link_count(root_ / "hard.txt"));

   // The same entry, however it is named, stays where it is.
   boost::filesystem::create_directory(root_ / "sub");
   boost::filesystem::create_directory_symlink(root_, root_ / "alias");
   for (const char* same : {"hard.txt", "./hard.txt", "sub/../hard.txt", "alias/hard.txt"})
   {
      for (const DWORD flags : {DWORD(0), replace})
      {
         EXPECT_TRUE(::MoveFileExW(wide(native("hard.txt")).c_str(), wide(native(same)).c_str(), flags)) << same;
         EXPECT_EQ("content", read("hard.txt")) << same;
      }
   }
}

TEST_F(WinFileTest, MoveAcrossVolumes)
{
   struct stat tmp;
   struct stat shm;
   if (::stat(root_.c_str(), &tmp) != 0 || ::stat("/dev/shm", &shm) != 0 || tmp.st_dev == shm.st_dev)
      GTEST_SKIP() << "no second volume";
   const boost::filesystem::path away = boost::filesystem::path("/dev/shm") /
                                        boost::filesystem::unique_path("velorin-winfile-%%%%-%%%%");
   const DWORD replace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED;

   EXPECT_FALSE(::MoveFileExW(wide(native("file.txt")).c_str(), wide(away.string()).c_str(), MOVEFILE_REPLACE_EXISTING));
   EXPECT_EQ(ERROR_NOT_SAME_DEVICE, ::GetLastError()) << "a file needs MOVEFILE_COPY_ALLOWED";
   ASSERT_TRUE(::MoveFileExW(wide(native("file.txt")).c_str(), wide(away.string()).c_str(), replace));
   EXPECT_FALSE(boost::filesystem::exists(root_ / "file.txt"));
   std::ifstream moved(away.string());
   EXPECT_EQ("content", std::string(std::istreambuf_iterator<char>(moved), std::istreambuf_iterator<char>()));
   boost::filesystem::remove(away);

   boost::filesystem::create_directory(root_ / "folder");
   EXPECT_FALSE(::MoveFileExW(wide(native("folder")).c_str(), wide(away.string()).c_str(), replace));
   EXPECT_EQ(ERROR_NOT_SAME_DEVICE, ::GetLastError());
   EXPECT_TRUE(boost::filesystem::is_directory(root_ / "folder"));

   // Only a file is carried by copying; a FIFO stays where it is.
   ASSERT_EQ(0, ::mkfifo(native("fifo").c_str(), 0600));
   BOOL fifoMoved = TRUE;
   DWORD error = ERROR_SUCCESS;
   ASSERT_TRUE(velorin::core::testing::returnsPromptly(native("fifo"), [&] {
      fifoMoved = ::MoveFileExW(wide(native("fifo")).c_str(), wide(away.string()).c_str(), replace);
      error = ::GetLastError();
   }));
   EXPECT_FALSE(fifoMoved);
   EXPECT_EQ(ERROR_CANT_ACCESS_FILE, error);
   EXPECT_EQ(boost::filesystem::fifo_file, boost::filesystem::symlink_status(root_ / "fifo").type());
   EXPECT_FALSE(boost::filesystem::exists(away));
}

TEST_F(WinFileTest, ArmedFailures)
{
   velorin::platform::failNext("CreateFileW", ERROR_SHARING_VIOLATION);
   EXPECT_EQ(ERROR_SHARING_VIOLATION, openError("file.txt", kRead));
   EXPECT_EQ(ERROR_SUCCESS, openError("file.txt", kRead));
}

// A failure armed for the caller's own text conversion must not be spent on the path
// that CreateFileW converts on its way.
TEST_F(WinFileTest, OpeningLeavesAnArmedConversionFailure)
{
   velorin::platform::failNext("WideCharToMultiByte", ERROR_INSUFFICIENT_BUFFER);
   EXPECT_EQ(ERROR_SUCCESS, openError("file.txt", kRead));
   EXPECT_EQ(0, ::WideCharToMultiByte(CP_UTF8, 0, L"x", -1, nullptr, 0, nullptr, nullptr));
   EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, ::GetLastError());
}

TEST_F(WinFileTest, FullPathsAreLexicalAndCountUtf16Units)
{
   const std::string here = boost::filesystem::current_path().string();
   struct Case
   {
      std::string path;
      std::string expected;
   };
   const Case cases[] = {
      {"a/./b/../c", here + "/a/c"},
      {"/x/../../y", "/y"},
      {"/x\\y\\", "/x/y/"},
      {"/missing/link/..", "/missing"},
      // A drive and its separator are a root that ".." stays below.
      {"C:\\a\\.\\b\\..\\c\\", "C:/a/c/"},
      {"C:\\..\\x", "C:/x"},
      {"c:/x/../..", "c:/"},
      {"D:\\", "D:/"},
      // Without a separator the drive names its working directory, the process's own.
      {"C:", here + "/C:"},
      {"C:x/..", here},
   };
   for (const Case& c : cases)
   {
      wchar_t buffer[512];
      const DWORD length = ::GetFullPathNameW(wide(c.path).c_str(), 512, buffer, nullptr);
      EXPECT_EQ(velorin::platform::utf8FromUtf16(buffer, length), c.expected) << c.path;
   }

   // "/" and two units for U+1F600: three units, and the NUL.
   const std::wstring smiley = velorin::platform::utf16FromUtf8("/\xF0\x9F\x98\x80");
   wchar_t buffer[4] = {L'#', L'#', L'#', L'#'};
   EXPECT_EQ(::GetFullPathNameW(smiley.c_str(), 3, buffer, nullptr), 4u);
   EXPECT_EQ(buffer[0], L'#');
   EXPECT_EQ(::GetFullPathNameW(smiley.c_str(), 4, buffer, nullptr), 3u);
   EXPECT_EQ(std::wstring(buffer), smiley);

   EXPECT_EQ(::GetFullPathNameW(L"", 512, buffer, nullptr), 0u);
   EXPECT_EQ(::GetLastError(), ERROR_INVALID_NAME);
}

TEST_F(WinFileTest, LongPathsAreThePathsThemselves)
{
   const std::string path = native("file.txt");
   char buffer[600];
   EXPECT_EQ(::GetLongPathNameA(path.c_str(), buffer, static_cast<DWORD>(path.size())), path.size() + 1);
   EXPECT_EQ(::GetLongPathNameA(path.c_str(), buffer, sizeof(buffer)), path.size());
   EXPECT_EQ(std::string(buffer), path);

   EXPECT_EQ(::GetLongPathNameA(native("missing.txt").c_str(), buffer, sizeof(buffer)), 0u);
   EXPECT_EQ(::GetLastError(), ERROR_FILE_NOT_FOUND);
   EXPECT_EQ(::GetLongPathNameA(native("missing/file.txt").c_str(), buffer, sizeof(buffer)), 0u);
   EXPECT_EQ(::GetLastError(), ERROR_PATH_NOT_FOUND);
}

// A trailing separator asks for a folder. Folders and links take it as naming their
// own entry; a file, or a file yet to be made, is refused as Windows refuses it.
TEST_F(WinFileTest, ATrailingSeparatorAfterAFileIsRefused)
{
   boost::filesystem::create_directory(root_ / "dir");
   boost::filesystem::create_symlink(root_ / "file.txt", root_ / "link");
   struct Case
   {
      std::string path;
      DWORD attributes; // INVALID_FILE_ATTRIBUTES when refused
      DWORD attributesError;
      DWORD openError;
   };
   const Case cases[] = {
      {native("file.txt") + "\\", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND, ERROR_INVALID_NAME},
      {native("file.txt") + "/", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND, ERROR_INVALID_NAME},
      {native("file.txt") + "//", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND, ERROR_INVALID_NAME},
      {native("dir/../file.txt") + "\\", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND, ERROR_INVALID_NAME},
      {native("file.txt") + "/.", FILE_ATTRIBUTE_NORMAL, ERROR_SUCCESS, ERROR_SUCCESS}, // "." goes first
      {native("dir") + "\\", FILE_ATTRIBUTE_DIRECTORY, ERROR_SUCCESS, ERROR_ACCESS_DENIED},
      {native("link") + "\\", FILE_ATTRIBUTE_REPARSE_POINT, ERROR_SUCCESS, ERROR_SUCCESS},
   };
   for (const Case& c : cases)
   {
      ::SetLastError(ERROR_SUCCESS);
      EXPECT_EQ(::GetFileAttributesW(wide(c.path).c_str()), c.attributes) << c.path;
      if (c.attributes == INVALID_FILE_ATTRIBUTES)
      {
         EXPECT_EQ(::GetLastError(), c.attributesError) << c.path;
      }
      EXPECT_EQ(::GetFileAttributesA(c.path.c_str()), c.attributes) << c.path;

      HANDLE handle = ::CreateFileW(wide(c.path).c_str(), kRead.access, kRead.share, nullptr, kRead.disposition, 0,
                                    nullptr);
      EXPECT_EQ(handle == INVALID_HANDLE_VALUE ? ::GetLastError() : ERROR_SUCCESS, c.openError) << c.path;
      if (handle != INVALID_HANDLE_VALUE)
         ::CloseHandle(handle);
   }

   // Nor is a file made by such a name.
   for (const Mode& mode : {kWrite, kAppend})
   {
      EXPECT_EQ(::CreateFileW(wide(native("new.txt") + "\\").c_str(), mode.access, mode.share, nullptr,
                              mode.disposition, 0, nullptr),
                INVALID_HANDLE_VALUE)
         << mode.name;
      EXPECT_EQ(::GetLastError(), ERROR_INVALID_NAME) << mode.name;
      EXPECT_FALSE(boost::filesystem::exists(root_ / "new.txt")) << mode.name;
   }
   EXPECT_EQ(read("file.txt"), "content");
}

TEST_F(WinFileTest, AttributesSetStayWithTheFile)
{
   const std::wstring file = wide(native("file.txt"));
   EXPECT_EQ(::GetFileAttributesW(file.c_str()), FILE_ATTRIBUTE_NORMAL);
   ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN));
   EXPECT_EQ(::GetFileAttributesW(file.c_str()), FILE_ATTRIBUTE_HIDDEN);
   EXPECT_EQ(::GetFileAttributesA(native("file.txt").c_str()), FILE_ATTRIBUTE_HIDDEN);

   ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
   EXPECT_EQ(::GetFileAttributesW(file.c_str()), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
   ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL));
   EXPECT_EQ(::GetFileAttributesW(file.c_str()), FILE_ATTRIBUTE_NORMAL);

   // The narrow call reads its path in the ANSI code page.
   write("caf\xC3\xA9.txt", "x");
   EXPECT_EQ(::GetFileAttributesA((root_.string() + "/caf\xE9.txt").c_str()), FILE_ATTRIBUTE_NORMAL);

   EXPECT_FALSE(::SetFileAttributesW(wide(native("missing.txt")).c_str(), FILE_ATTRIBUTE_HIDDEN));
   EXPECT_EQ(::GetLastError(), ERROR_FILE_NOT_FOUND);
}

} // namespace
