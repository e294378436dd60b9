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
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <mutex>

#include <platform/win32/WinText.hpp>

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

struct TextPipe
{
   std::FILE* pipe;
   int status = -1;
};

std::mutex s_textPipesMutex;
std::map<std::FILE*, TextPipe*> s_textPipes;

// Reads up to a line end, so that a reader is never held up waiting for more.
ssize_t readText(void* cookie, char* buffer, std::size_t size)
{
   std::FILE* pipe = static_cast<TextPipe*>(cookie)->pipe;
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
   TextPipe* text = static_cast<TextPipe*>(cookie);
   text->status = ::pclose(text->pipe);
   return text->status == -1 ? -1 : 0;
}

bool isTextReadMode(const char* mode)
{
   return std::strcmp(mode, "r") == 0 || std::strcmp(mode, "rt") == 0;
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
   if (stream == nullptr)
   {
      errno = EINVAL;
      return -1;
   }
   TextPipe* text = nullptr;
   {
      std::lock_guard<std::mutex> lock(s_textPipesMutex);
      const auto found = s_textPipes.find(stream);
      if (found != s_textPipes.end())
      {
         text = found->second;
         s_textPipes.erase(found);
      }
   }
   int status;
   if (text != nullptr)
   {
      std::fclose(stream);
      status = text->status;
      delete text;
   }
   else
   {
      status = ::pclose(stream);
   }
   if (armedFailure)
      errno = ECHILD;
   if (status == -1 || armedFailure)
      return -1;
   return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
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
   const bool text = isTextReadMode(mode);
   std::string nativeMode = mode;
   nativeMode.erase(std::remove_if(nativeMode.begin(), nativeMode.end(), [](char c) { return c == 't' || c == 'b'; }),
                    nativeMode.end());
   std::FILE* pipe = ::popen(command, (nativeMode + "e").c_str());
   if (pipe == nullptr || !text)
      return pipe;

   auto* cookie = new TextPipe{pipe};
   std::FILE* stream = ::fopencookie(cookie, "r", cookie_io_functions_t{readText, nullptr, nullptr, closeText});
   if (stream == nullptr)
   {
      const int error = errno;
      ::pclose(pipe);
      delete cookie;
      errno = error;
      return nullptr;
   }
   std::lock_guard<std::mutex> lock(s_textPipesMutex);
   s_textPipes[stream] = cookie;
   return stream;
}
