// Win32Api.hpp: the one header through which library code reaches the Windows API.
//
// On Windows it brings in the system headers. Elsewhere it declares the platform
// layer's own stand-ins, which keep the Windows contracts (arguments, results and
// GetLastError codes), so that library code has a single path on every platform.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include <platform/Win32PathMeaning.hpp>

#ifdef _WIN32

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <rpc.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <boost/filesystem/path.hpp>
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

// Windows names entries in UTF-16, so path text converts as any text does; an empty
// result from text that is not empty leaves the converter's last error.
inline std::string utf8PathFromWide(const std::wstring& path)
{
   const int size = ::WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
   if (size == 0)
      return std::string();
   std::string narrow(static_cast<std::size_t>(size), '\0');
   ::WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, &narrow[0], size, nullptr, nullptr);
   narrow.resize(std::strlen(narrow.c_str()));
   return narrow;
}

// Boost's narrow form is the ANSI code page; its wide form is the name itself.
inline boost::filesystem::path boostPath(const std::wstring& path)
{
   return boost::filesystem::path(path);
}

// Windows names may hold any UTF-16 units.
inline bool isNameablePath(const std::wstring&)
{
   return true;
}

inline std::wstring wideFromBoostPath(const boost::filesystem::path& path)
{
   return path.wstring();
}

// Whether the path names a folder or a link, the entries a trailing separator may
// follow.
inline bool isFolderOrLinkEntry(const std::wstring& path)
{
   const DWORD attributes = ::GetFileAttributesW(path.c_str());
   return attributes != INVALID_FILE_ATTRIBUTES &&
          (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0;
}

inline std::wstring widePathFromUtf8(const std::string& path)
{
   const int size = ::MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
   if (size == 0)
      return std::wstring();
   std::wstring wide(static_cast<std::size_t>(size), L'\0');
   ::MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, &wide[0], size);
   wide.resize(std::wcslen(wide.c_str()));
   return wide;
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

namespace velorin::platform {

// What the file system is handed for path text: the entry Windows would act on
// (trailing separators and final "." elements dropped, ".." resolved by the text).
// Only a folder or a link drops a trailing separator: after a file, or a name not yet
// taken, it stays, so that the file system refuses a file named as a folder, as
// Windows does.
inline std::wstring win32EntryText(std::wstring_view path)
{
   std::wstring text = win32PathMeaning(path);
   const bool trailingSeparator = !path.empty() && (path.back() == L'/' || path.back() == L'\\');
   if (trailingSeparator && text.size() < path.size() && !isFolderOrLinkEntry(text))
      text += path.back();
   return text;
}

// The same entry for Boost, with '/' separators, carried without loss.
inline boost::filesystem::path boostPathOfEntry(std::wstring_view path)
{
   std::wstring text = win32EntryText(path);
   std::replace(text.begin(), text.end(), L'\\', L'/');
   return boostPath(text);
}

} // namespace velorin::platform
