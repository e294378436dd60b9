// Win32Api.hpp: the one header through which library code reaches the Windows API.
//
// On Windows it brings in the system headers. Elsewhere it declares the platform
// layer's own stand-ins, which keep the Windows contracts (arguments, results and
// GetLastError codes), so that library code has a single path on every platform.
#pragma once

#include <platform/Win32PathMeaning.hpp>

#ifdef _WIN32

#include <windows.h>
#include <io.h>
#include <rpc.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <boost/system/error_code.hpp>

// NOGDI keeps wingdi.h out, and with it the two metafile calls the library makes.
#ifdef NOGDI
extern "C" {
__declspec(dllimport) HENHMETAFILE WINAPI GetEnhMetaFileW(LPCWSTR fileName);
__declspec(dllimport) BOOL WINAPI DeleteEnhMetaFile(HENHMETAFILE metafile);
}
#endif

namespace velorin::platform {
inline const boost::system::error_category& systemCategory() noexcept
{
   return boost::system::system_category();
}

inline DWORD win32ErrorFromNative(int nativeError)
{
   return static_cast<DWORD>(nativeError);
}

// Windows already numbers each call's errors as its own.
inline DWORD win32ErrorFromNativeForCreateDirectory(int nativeError)
{
   return static_cast<DWORD>(nativeError);
}

inline DWORD win32ErrorFromNativeForPath(int nativeError, const std::string&)
{
   return static_cast<DWORD>(nativeError);
}

inline DWORD win32ErrorFromNativeForSetCurrentDirectory(int nativeError, const std::string&)
{
   return static_cast<DWORD>(nativeError);
}

inline int wctomb(char* multiByte, wchar_t wideChar)
{
   return ::wctomb(multiByte, wideChar);
}
} // namespace velorin::platform

#else

#include <platform/win32/WinBase.hpp>
#include <platform/win32/WinClipboard.hpp>
#include <platform/win32/WinCrt.hpp>
#include <platform/win32/WinEnvironment.hpp>
#include <platform/win32/WinFile.hpp>
#include <platform/win32/WinJob.hpp>
#include <platform/win32/WinMetafile.hpp>
#include <platform/win32/WinProcess.hpp>
#include <platform/win32/WinRpc.hpp>
#include <platform/win32/WinSecurity.hpp>
#include <platform/win32/WinShell.hpp>
#include <platform/win32/WinText.hpp>
#include <platform/win32/WinTime.hpp>
#include <platform/win32/WinVersion.hpp>

#endif
