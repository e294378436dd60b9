// WinCrt.cpp: the Windows C runtime's rules where glibc's differ.
#include <platform/win32/WinCrt.hpp>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <cwchar>
#include <string>

#include <fcntl.h>
#include <langinfo.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include <platform/win32/WinText.hpp>

#include "EnvironmentAccess.hpp"
#include "FailureHook.hpp"

namespace {

// The Windows C runtime shares glibc's numbers up to ERANGE (34), bar ETXTBSY; past
// it they differ, and what Windows has no name for becomes EINVAL, as there.
int crtErrnoFromLinux(int linuxErrno)
{
   if (linuxErrno >= EPERM && linuxErrno <= ERANGE && linuxErrno != ETXTBSY)
      return linuxErrno;
   switch (linuxErrno)
   {
   case ETXTBSY:
      return EACCES;
   case ENAMETOOLONG:
      return 38;
   default:
      return EINVAL;
   }
}

int failWithLinuxErrno(int linuxErrno)
{
   errno = crtErrnoFromLinux(linuxErrno);
   return -1;
}

// A test hook's failure reaches the caller through errno, as the runtime reports.
bool consumeArmedCrtFailure(const char* function)
{
   if (!velorin::platform::consumeArmedFailure(function))
      return false;
   errno = static_cast<int>(GetLastError());
   return true;
}

// ANSI code page text as a POSIX path: UTF-8 with '/' separators.
std::string nativePathFromAnsi(const char* path)
{
   const int units = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
   if (units <= 0)
      return std::string();
   std::wstring wide(static_cast<std::size_t>(units), L'\0');
   MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), units);
   std::string native = velorin::platform::utf8FromUtf16(wide.c_str(), static_cast<std::size_t>(units - 1));
   for (char& c : native)
   {
      if (c == '\\')
         c = '/';
   }
   return native;
}

} // namespace

int _close(int fd)
{
   if (consumeArmedCrtFailure("_close"))
      return -1;
   // Linux releases the descriptor even when close reports EINTR, so it is not retried.
   if (::close(fd) != 0 && errno != EINTR)
      return failWithLinuxErrno(errno);
   return 0;
}

int _open(const char* fileName, int openFlag, ...)
{
   if (consumeArmedCrtFailure("_open"))
      return -1;
   if (fileName == nullptr || openFlag != (_O_RDONLY | _O_BINARY))
      return failWithLinuxErrno(EINVAL);
   const std::string path = nativePathFromAnsi(fileName);
   if (path.empty())
      return failWithLinuxErrno(ENOENT);
   int fd;
   do
      fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
   while (fd < 0 && errno == EINTR);
   if (fd < 0)
      return failWithLinuxErrno(errno);
   struct stat status;
   if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode))
   {
      ::close(fd);
      return failWithLinuxErrno(EACCES); // Windows opens no folder as a file
   }
   return fd;
}

int _read(int fd, void* buffer, unsigned int bufferSize)
{
   if (consumeArmedCrtFailure("_read"))
      return -1;
   if (bufferSize > INT_MAX || (buffer == nullptr && bufferSize > 0))
      return failWithLinuxErrno(EINVAL);
   ssize_t count;
   do
      count = ::read(fd, buffer, bufferSize);
   while (count < 0 && errno == EINTR);
   return count < 0 ? failWithLinuxErrno(errno) : static_cast<int>(count);
}

namespace velorin::platform {

namespace {

// glibc's "C" and "POSIX" locales, the thread's own included, use this codeset.
bool inClassicLocale()
{
   return std::strcmp(::nl_langinfo(CODESET), "ANSI_X3.4-1968") == 0;
}

} // namespace

int wctomb(char* multiByte, wchar_t wideChar)
{
   if (consumeArmedFailure("wctomb"))
      return -1;
   if (multiByte == nullptr)
      return 0; // no encoding of ours keeps a shift state

   if (inClassicLocale())
   {
      if (wideChar < 0 || wideChar > 0xFF)
      {
         errno = EILSEQ;
         return -1;
      }
      *multiByte = static_cast<char>(wideChar);
      return 1;
   }

   // A state of its own per call, unlike glibc's wctomb, which shares one.
   std::mbstate_t state{};
   const std::size_t size = std::wcrtomb(multiByte, wideChar, &state);
   return size == static_cast<std::size_t>(-1) ? -1 : static_cast<int>(size);
}

} // namespace velorin::platform

// Command pipes and terminal tests.

namespace {

// What closing a command's stream needs: the shell to wait for. A text-mode reader's
// stream filters the pipe's own stream, which it closes with itself.
struct CommandPipe
{
   pid_t shell;
};

std::mutex s_commandPipesMutex;
std::map<std::FILE*, CommandPipe> s_commandPipes;

// Reads up to a line end, so that a reader is never held up waiting for more.
ssize_t readText(void* cookie, char* buffer, std::size_t size)
{
   std::FILE* pipe = static_cast<std::FILE*>(cookie);
   std::size_t count = 0;
   while (count < size)
   {
      int c = std::getc(pipe);
      if (c == EOF)
         break;
      if (c == '\r')
      {
         const int next = std::getc(pipe);
         if (next == '\n')
            c = '\n';
         else if (next != EOF)
            std::ungetc(next, pipe);
      }
      buffer[count++] = static_cast<char>(c);
      if (c == '\n')
         break;
   }
   if (count == 0 && std::ferror(pipe))
      return -1;
   return static_cast<ssize_t>(count);
}

int closeText(void* cookie)
{
   return std::fclose(static_cast<std::FILE*>(cookie)) == 0 ? 0 : -1;
}

// The shell's exit status once it has ended. A shell that the system reaped already
// (SIGCHLD ignored) ran to its end all the same: Windows knows no such case, so the
// close is a normal one, with the status unknown and given as 0.
int waitForShell(pid_t shell)
{
   int status = 0;
   pid_t done;
   do
      done = ::waitpid(shell, &status, 0);
   while (done < 0 && errno == EINTR);
   if (done < 0)
      return errno == ECHILD ? 0 : failWithLinuxErrno(errno);
   return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// "/bin/sh -c command" with one end of the pipe as its standard input or output, in
// the environment as the stand-ins hold it; the shell's id, or -1 with errno set.
pid_t startShell(const char* command, int childEnd, int childFd)
{
   std::vector<std::string> entries = velorin::platform::environmentEntries();
   std::vector<char*> envp;
   for (std::string& entry : entries)
      envp.push_back(&entry[0]);
   envp.push_back(nullptr);
   char shellName[] = "sh";
   char option[] = "-c";
   char* argv[] = {shellName, option, const_cast<char*>(command), nullptr};

   posix_spawn_file_actions_t actions;
   int error = ::posix_spawn_file_actions_init(&actions);
   if (error == 0)
   {
      error = ::posix_spawn_file_actions_adddup2(&actions, childEnd, childFd);
      pid_t shell = -1;
      if (error == 0)
         error = ::posix_spawn(&shell, "/bin/sh", &actions, nullptr, argv, envp.data());
      ::posix_spawn_file_actions_destroy(&actions);
      if (error == 0)
         return shell;
   }
   return failWithLinuxErrno(error);
}

} // namespace

int _fileno(std::FILE* stream)
{
   return ::fileno(stream);
}

int _isatty(int fd)
{
   return ::isatty(fd);
}

int _pclose(std::FILE* stream)
{
   // An armed failure still closes the pipe, as a close whose wait fails does.
   const bool armedFailure = velorin::platform::consumeArmedFailure("_pclose");
   std::optional<CommandPipe> pipe;
   {
      std::lock_guard<std::mutex> lock(s_commandPipesMutex);
      const auto found = s_commandPipes.find(stream);
      if (found != s_commandPipes.end())
      {
         pipe = found->second;
         s_commandPipes.erase(found);
      }
   }
   if (!pipe)
      return failWithLinuxErrno(EINVAL);
   std::fclose(stream);
   const int status = waitForShell(pipe->shell);
   if (armedFailure)
   {
      errno = ECHILD;
      return -1;
   }
   return status;
}

std::FILE* _popen(const char* command, const char* mode)
{
   if (velorin::platform::consumeArmedFailure("_popen"))
   {
      errno = EMFILE;
      return nullptr;
   }
   if (command == nullptr || mode == nullptr)
   {
      errno = EINVAL;
      return nullptr;
   }
   std::string nativeMode = mode;
   const bool text = nativeMode.find('b') == std::string::npos;
   nativeMode.erase(std::remove_if(nativeMode.begin(), nativeMode.end(), [](char c) { return c == 't' || c == 'b'; }),
                    nativeMode.end());
   if (nativeMode != "r" && nativeMode != "w")
   {
      errno = EINVAL;
      return nullptr;
   }
   const bool reading = nativeMode == "r";

   int ends[2];
   if (::pipe2(ends, O_CLOEXEC) != 0)
   {
      failWithLinuxErrno(errno);
      return nullptr;
   }
   const int ownEnd = reading ? ends[0] : ends[1];
   const int childEnd = reading ? ends[1] : ends[0];
   const pid_t shell = startShell(command, childEnd, reading ? STDOUT_FILENO : STDIN_FILENO);
   const int spawnError = errno;
   ::close(childEnd);
   if (shell < 0)
   {
      ::close(ownEnd);
      errno = spawnError;
      return nullptr;
   }

   std::FILE* stream = ::fdopen(ownEnd, nativeMode.c_str());
   if (stream != nullptr && text && reading)
   {
      std::FILE* pipe = stream;
      stream = ::fopencookie(pipe, "r", cookie_io_functions_t{readText, nullptr, nullptr, closeText});
      if (stream == nullptr)
      {
         const int error = errno;
         std::fclose(pipe);
         errno = error;
      }
   }
   else if (stream == nullptr)
   {
      const int error = errno;
      ::close(ownEnd);
      errno = error;
   }
   if (stream == nullptr)
   {
      const int error = errno;
      waitForShell(shell);
      failWithLinuxErrno(error);
      return nullptr;
   }
   std::lock_guard<std::mutex> lock(s_commandPipesMutex);
   s_commandPipes[stream] = CommandPipe{shell};
   return stream;
}
