// WinShell.cpp: SHGetFolderPathW over the user's folders of a Linux system.
//
// The documents folder is $XDG_DOCUMENTS_DIR when it is set to an absolute path
// (current location only), else the home folder of the account. $HOME is never
// consulted: programs and tests set it as a source of their own.
#include <platform/win32/WinShell.hpp>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include <platform/win32/WinText.hpp>

#include "FailureHook.hpp"

namespace {

std::mutex s_accountHomeMutex;
std::string s_accountHomeOverride;

std::string accountHome()
{
   {
      std::lock_guard<std::mutex> lock(s_accountHomeMutex);
      if (!s_accountHomeOverride.empty())
         return s_accountHomeOverride;
   }
   std::vector<char> buffer(16384);
   passwd entry{};
   passwd* found = nullptr;
   if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
       found->pw_dir == nullptr)
      return std::string();
   return found->pw_dir;
}

std::string personalFolder(DWORD flags)
{
   if (flags == SHGFP_TYPE_CURRENT)
   {
      const char* documents = std::getenv("XDG_DOCUMENTS_DIR");
      if (documents != nullptr && documents[0] == '/')
         return documents;
   }
   return accountHome();
}

bool isDirectory(const std::string& path)
{
   struct stat status{};
   return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// mkdir -p; 0 or the errno of the first level that could not be made.
int createDirectories(const std::string& path)
{
   for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1))
   {
      const std::string level = path.substr(0, slash);
      if (::mkdir(level.c_str(), 0777) != 0 && errno != EEXIST)
         return errno;
      if (slash == std::string::npos)
         break;
   }
   return isDirectory(path) ? 0 : ENOTDIR;
}

} // namespace

HRESULT SHGetFolderPathW(HWND owner, int folder, HANDLE token, DWORD flags, LPWSTR path)
{
   using velorin::platform::hresultFromWin32;

   if (velorin::platform::consumeArmedFailure("SHGetFolderPathW"))
   {
      const DWORD armed = GetLastError();
      return static_cast<HRESULT>(armed) < 0 ? static_cast<HRESULT>(armed) : hresultFromWin32(armed);
   }
   (void)owner; // a window only parents dialogs, which Linux has none of

   const bool create = (folder & CSIDL_FLAG_CREATE) != 0;
   if (path == nullptr || token != nullptr || (flags != SHGFP_TYPE_CURRENT && flags != SHGFP_TYPE_DEFAULT) ||
       (folder & ~CSIDL_FLAG_CREATE) != CSIDL_PERSONAL)
      return E_INVALIDARG;

   const std::string folderPath = personalFolder(flags);
   if (folderPath.empty())
      return hresultFromWin32(ERROR_PATH_NOT_FOUND);
   if (!isDirectory(folderPath))
   {
      if (!create)
         return hresultFromWin32(ERROR_PATH_NOT_FOUND);
      if (const int error = createDirectories(folderPath))
         return hresultFromWin32(velorin::platform::win32ErrorFromErrno(error));
   }

   const std::wstring wide = velorin::platform::widePathFromBytes(folderPath);
   if (wide.size() >= MAX_PATH)
      return hresultFromWin32(ERROR_INSUFFICIENT_BUFFER);
   std::memcpy(path, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
   return S_OK;
}

namespace velorin::platform {

void setAccountHomeFolder(const std::string& folder)
{
   std::lock_guard<std::mutex> lock(s_accountHomeMutex);
   s_accountHomeOverride = folder;
}

} // namespace velorin::platform
