// Win32Api.hpp: the one header through which library code reaches the Windows API.
//
// On Windows it brings in the system headers. Elsewhere it declares the platform
// layer's own stand-ins, which keep the Windows contracts (arguments, results and
// GetLastError codes), so that library code has a single path on every platform.
#pragma once

#ifdef _WIN32

#include <windows.h>
#include <shlobj.h>
#include <fcntl.h>
#include <io.h>
#include <cstdlib>
#include <string>
#include <boost/system/error_code.hpp>

namespace velorin::platform {
inline const boost::system::error_category& systemCategory() noexcept
{
   return boost::system::system_category();
}

inline DWORD win32ErrorFromNative(int nativeError)
{
   return static_cast<DWORD>(nativeError);
}

// Windows already tells a missing file (2) from a missing folder (3).
inline DWORD win32ErrorFromNativeForPath(int nativeError, const std::string&)
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
#include <platform/win32/WinCrt.hpp>
#include <platform/win32/WinEnvironment.hpp>
#include <platform/win32/WinFile.hpp>
#include <platform/win32/WinShell.hpp>
#include <platform/win32/WinText.hpp>
#include <platform/win32/WinTime.hpp>

#endif
