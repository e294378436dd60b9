// WinClipboard.cpp: the clipboard's ownership through an open-file-description lock.
#include <platform/win32/WinClipboard.hpp>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <platform/win32/WinMetafile.hpp>

#include "EnvironmentAccess.hpp"
#include "FailureHook.hpp"

namespace {

using velorin::platform::failWith;

struct Clipboard
{
   std::mutex mutex;
   int lockFd = -1; // holds the lock while this process has the clipboard open
   std::vector<std::pair<UINT, std::unique_ptr<velorin::platform::HandleObject>>> contents;
};

Clipboard& clipboard()
{
   static Clipboard* instance = new Clipboard(); // outlives every static destructor
   return *instance;
}

std::string lockFilePath()
{
   const std::string runtime = velorin::platform::absolutePathVariable("XDG_RUNTIME_DIR");
   if (!runtime.empty())
      return runtime + "/velorin-clipboard.lock";
   return "/tmp/velorin-clipboard-" + std::to_string(::getuid()) + ".lock";
}

} // namespace

BOOL CloseClipboard()
{
   if (velorin::platform::consumeArmedFailure("CloseClipboard"))
      return FALSE;
   Clipboard& board = clipboard();
   std::lock_guard<std::mutex> lock(board.mutex);
   if (board.lockFd < 0)
      return failWith(ERROR_CLIPBOARD_NOT_OPEN);
   ::close(board.lockFd); // releases the lock
   board.lockFd = -1;
   return TRUE;
}

BOOL EmptyClipboard()
{
   if (velorin::platform::consumeArmedFailure("EmptyClipboard"))
      return FALSE;
   Clipboard& board = clipboard();
   std::lock_guard<std::mutex> lock(board.mutex);
   if (board.lockFd < 0)
      return failWith(ERROR_CLIPBOARD_NOT_OPEN);
   board.contents.clear();
   return TRUE;
}

BOOL OpenClipboard(HWND newOwner)
{
   (void)newOwner;
   if (velorin::platform::consumeArmedFailure("OpenClipboard"))
      return FALSE;
   Clipboard& board = clipboard();
   std::lock_guard<std::mutex> lock(board.mutex);
   if (board.lockFd >= 0)
      return failWith(ERROR_ACCESS_DENIED);

   const int fd = ::open(lockFilePath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
   if (fd < 0)
      return failWith(velorin::platform::win32ErrorFromErrno(errno));
   struct flock whole{};
   whole.l_type = F_WRLCK;
   whole.l_whence = SEEK_SET;
   if (::fcntl(fd, F_OFD_SETLK, &whole) != 0)
   {
      const int error = errno;
      ::close(fd);
      return failWith(error == EAGAIN || error == EACCES ? ERROR_ACCESS_DENIED
                                                     : velorin::platform::win32ErrorFromErrno(error));
   }
   board.lockFd = fd;
   return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE memory)
{
   if (velorin::platform::consumeArmedFailure("SetClipboardData"))
      return nullptr;
   Clipboard& board = clipboard();
   std::lock_guard<std::mutex> lock(board.mutex);
   if (board.lockFd < 0)
   {
      SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
      return nullptr;
   }
   if (format != CF_ENHMETAFILE)
   {
      SetLastError(ERROR_NOT_SUPPORTED);
      return nullptr;
   }
   std::unique_ptr<velorin::platform::MetafileObject> data =
      velorin::platform::takeHandle<velorin::platform::MetafileObject>(memory);
   if (!data)
   {
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
   }
   for (auto& entry : board.contents)
   {
      if (entry.first == format)
      {
         entry.second = std::move(data);
         return memory;
      }
   }
   board.contents.emplace_back(format, std::move(data));
   return memory;
}

namespace velorin::platform {

std::vector<UINT> clipboardFormats()
{
   Clipboard& board = clipboard();
   std::lock_guard<std::mutex> lock(board.mutex);
   std::vector<UINT> formats;
   for (const auto& entry : board.contents)
      formats.push_back(entry.first);
   return formats;
}

} // namespace velorin::platform
