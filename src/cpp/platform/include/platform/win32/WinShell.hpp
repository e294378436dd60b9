// WinShell.hpp: the shell's known folders.
#pragma once

#include <string>

#include <platform/win32/WinBase.hpp>

// Macros on Windows as well; an identical definition elsewhere in the layer is harmless.
#ifndef MAX_PATH
#define MAX_PATH 260
#endif
#ifndef S_OK
#define S_OK static_cast<HRESULT>(0)
#endif
#ifndef SUCCEEDED
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#endif
#ifndef FAILED
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)
#endif

using HWND = void*;
struct HINSTANCE__;
using HMODULE = HINSTANCE__*;

constexpr int CSIDL_PERSONAL = 0x0005;
constexpr int CSIDL_LOCAL_APPDATA = 0x001C;
constexpr int CSIDL_COMMON_APPDATA = 0x0023;
constexpr int CSIDL_FLAG_CREATE = 0x8000;

constexpr DWORD SHGFP_TYPE_CURRENT = 0;
constexpr DWORD SHGFP_TYPE_DEFAULT = 1;

constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);

// Writes the folder, NUL-terminated, into a buffer of MAX_PATH wide characters.
// CSIDL_FLAG_CREATE creates a missing folder; without it a missing folder fails with
// the HRESULT of ERROR_PATH_NOT_FOUND. The documents folder is described in
// WinShell.cpp; the local application data is $XDG_CONFIG_HOME, else .config in the
// account's home; the common application data the first of $XDG_CONFIG_DIRS, else
// /etc/xdg. Relative XDG values are ignored.
HRESULT SHGetFolderPathW(HWND owner, int folder, HANDLE token, DWORD flags, LPWSTR path);

// The same folder with the sub-folder (UTF-16 units, each taken as a character)
// appended, '\' separating its folders as on Windows; with CSIDL_FLAG_CREATE every
// missing level is created.
HRESULT SHGetFolderPathAndSubDirW(HWND owner, int folder, HANDLE token, DWORD flags, LPCWSTR subDir,
                                  LPWSTR path);

// The running program's full path (the null module only). A longer path is cut to
// size - 1 units and its NUL, with the result size and the last error 122.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);

namespace velorin::platform {

// The HRESULT that carries a Win32 error number, as HRESULT_FROM_WIN32 gives it.
constexpr HRESULT hresultFromWin32(DWORD errorCode)
{
   return errorCode == 0 ? 0 : static_cast<HRESULT>((errorCode & 0xFFFF) | 0x80070000u);
}

// For tests: the folder taken as the account's home, in place of the password
// database's; empty text restores the database's.
void setAccountHomeFolder(const std::string& folder);

} // namespace velorin::platform
