// WinShell.cpp: SHGetFolderPathW over the user's folders of a Linux system.
//
// The documents folder is $XDG_DOCUMENTS_DIR when it is set to an absolute path
// (current location only), else the home folder of the account. $HOME is never
// consulted: programs and tests set it as a source of their own.
#include <platform/win32/WinShell.hpp>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cwchar>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include <platform/Win32PathMeaning.hpp>
#include <platform/win32/WinText.hpp>

#include "EnvironmentAccess.hpp"
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
      const std::string documents = velorin::platform::absolutePathVariable("XDG_DOCUMENTS_DIR");
      if (!documents.empty())
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

// The folder a CSIDL stands for; empty when there is none.
std::string knownFolder(int folder, DWORD flags)
{
   switch (folder)
   {
      case CSIDL_PERSONAL: return personalFolder(flags);
      case CSIDL_LOCAL_APPDATA:
      {
         const std::string config = velorin::platform::absolutePathVariable("XDG_CONFIG_HOME");
         if (!config.empty())
            return config;
         const std::string home = accountHome();
         return home.empty() ? home : home + "/.config";
      }
      case CSIDL_COMMON_APPDATA:
      {
         std::string dirs = velorin::platform::absolutePathVariable("XDG_CONFIG_DIRS");
         dirs = dirs.substr(0, dirs.find(':'));
         return dirs.empty() ? std::string("/etc/xdg") : dirs;
      }
      default: return std::string();
   }
}

// A failure a test armed: an HRESULT as it stands, a Win32 number as its HRESULT.
HRESULT armedResult()
{
   const DWORD armed = GetLastError();
   return static_cast<HRESULT>(armed) < 0 ? static_cast<HRESULT>(armed)
                                          : velorin::platform::hresultFromWin32(armed);
}

HRESULT folderPath(int folder, HANDLE token, DWORD flags, const std::string& subFolder, LPWSTR path)
{
   using velorin::platform::hresultFromWin32;

   const bool create = (folder & CSIDL_FLAG_CREATE) != 0;
   const int id = folder & ~CSIDL_FLAG_CREATE;
   if (path == nullptr || token != nullptr || (flags != SHGFP_TYPE_CURRENT && flags != SHGFP_TYPE_DEFAULT) ||
       (id != CSIDL_PERSONAL && id != CSIDL_LOCAL_APPDATA && id != CSIDL_COMMON_APPDATA))
      return E_INVALIDARG;

   std::string result = knownFolder(id, flags);
   if (result.empty())
      return hresultFromWin32(ERROR_PATH_NOT_FOUND);
   if (!subFolder.empty())
   {
      // The sub-folder is a Windows path: '\\' separates its folders as '/' does.
      std::string sub = velorin::platform::win32PathMeaning(std::string_view(subFolder));
      std::replace(sub.begin(), sub.end(), '\\', '/');
      result += "/" + sub;
   }
   if (!isDirectory(result))
   {
      if (!create)
         return hresultFromWin32(ERROR_PATH_NOT_FOUND);
      if (const int error = createDirectories(result))
         return hresultFromWin32(velorin::platform::win32ErrorFromErrno(error));
   }

   const std::wstring wide = velorin::platform::widePathFromBytes(result);
   if (wide.size() >= MAX_PATH)
      return hresultFromWin32(ERROR_INSUFFICIENT_BUFFER);
   std::memcpy(path, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
   return S_OK;
}

} // namespace

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size)
{
   if (velorin::platform::consumeArmedFailure("GetModuleFileNameW"))
      return 0;
   if (module != nullptr || fileName == nullptr)
   {
      SetLastError(module != nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
      return 0;
   }
   std::vector<char> target(PATH_MAX + 1);
   const ssize_t length = ::readlink("/proc/self/exe", target.data(), target.size() - 1);
   if (length < 0)
   {
      SetLastError(velorin::platform::win32ErrorFromErrno(errno));
      return 0;
   }
   const std::wstring wide =
      velorin::platform::utf16FromUtf8(std::string(target.data(), static_cast<std::size_t>(length)));
   if (size == 0)
   {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
   }
   if (wide.size() >= size)
   {
      std::memcpy(fileName, wide.c_str(), (size - 1) * sizeof(wchar_t));
      fileName[size - 1] = L'\0';
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return size;
   }
   std::memcpy(fileName, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
   return static_cast<DWORD>(wide.size());
}

HRESULT SHGetFolderPathAndSubDirW(HWND owner, int folder, HANDLE token, DWORD flags, LPCWSTR subDir,
                                  LPWSTR path)
{
   if (velorin::platform::consumeArmedFailure("SHGetFolderPathAndSubDirW"))
      return armedResult();
   (void)owner;
   const std::string sub = subDir == nullptr ? std::string() : velorin::platform::utf8FromUtf16(subDir, std::wcslen(subDir));
   return folderPath(folder, token, flags, sub, path);
}

HRESULT SHGetFolderPathW(HWND owner, int folder, HANDLE token, DWORD flags, LPWSTR path)
{
   if (velorin::platform::consumeArmedFailure("SHGetFolderPathW"))
      return armedResult();
   (void)owner; // a window only parents dialogs, which Linux has none of
   return folderPath(folder, token, flags, std::string(), path);
}

namespace velorin::platform {

void setAccountHomeFolder(const std::string& folder)
{
   std::lock_guard<std::mutex> lock(s_accountHomeMutex);
   s_accountHomeOverride = folder;
}

} // namespace velorin::platform
