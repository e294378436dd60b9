// WinBase.hpp: base types, constants and the thread's last error.
//
// Windows is LLP64 and Linux LP64, so the Windows integer types are spelled with
// fixed-width types here. Only what the library calls is declared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include <boost/system/error_code.hpp>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using ULONG = std::uint32_t;
using LONG = std::int32_t;
using HRESULT = std::int32_t;
using BOOL = int;
using LPBOOL = BOOL*;
using ULONG_PTR = std::uintptr_t;
using SIZE_T = std::size_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using DWORDLONG = std::uint64_t;
using PDWORD = DWORD*;
using LPDWORD = DWORD*;
using PBOOL = BOOL*;
using LPBYTE = BYTE*;
using LPVOID = void*;
using HANDLE = void*;
using PHANDLE = HANDLE*;
using WCHAR = wchar_t; // holds one UTF-16 code unit, as on Windows
using LPSTR = char*;
using LPCSTR = const char*;
using LPCCH = const char*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPCWCH = const WCHAR*;

static_assert(sizeof(DWORD) == 4 && sizeof(LONG) == 4, "Win32 integer widths");

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_INVALID_ACCESS = 12;
constexpr DWORD ERROR_INVALID_DATA = 13;
constexpr DWORD ERROR_OUTOFMEMORY = 14;
constexpr DWORD ERROR_NOT_SAME_DEVICE = 17;
constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_WRITE_PROTECT = 19;
constexpr DWORD ERROR_BAD_UNIT = 20;
constexpr DWORD ERROR_BAD_LENGTH = 24;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_LOCK_VIOLATION = 33;
constexpr DWORD ERROR_SHARING_BUFFER_EXCEEDED = 36;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_CALL_NOT_IMPLEMENTED = 120;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_ENVVAR_NOT_FOUND = 203;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_FILE_TOO_LARGE = 223;
constexpr DWORD ERROR_NO_DATA = 232;
constexpr DWORD ERROR_MORE_DATA = 234;
constexpr DWORD ERROR_DIRECTORY = 267;
constexpr DWORD ERROR_OPERATION_ABORTED = 995;
constexpr DWORD ERROR_NOACCESS = 998;
constexpr DWORD ERROR_INVALID_FLAGS = 1004;
constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;
constexpr DWORD ERROR_IO_DEVICE = 1117;
constexpr DWORD ERROR_TOO_MANY_LINKS = 1142;
constexpr DWORD ERROR_OLD_WIN_VERSION = 1150;
constexpr DWORD ERROR_NO_SUCH_LOGON_SESSION = 1312;
constexpr DWORD ERROR_CLIPBOARD_NOT_OPEN = 1418;
constexpr DWORD RPC_S_UUID_NO_ADDRESS = 1739;
constexpr DWORD ERROR_CANT_ACCESS_FILE = 1920;
constexpr DWORD ERROR_CANT_RESOLVE_FILENAME = 1921;

DWORD GetLastError();
void SetLastError(DWORD errorCode);

// Windows' value, so it never names an object (GetCurrentProcess uses it too).
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// Destroys the object behind the handle; an unknown or closed handle gives FALSE, 6.
BOOL CloseHandle(HANDLE object);

namespace velorin::platform {

// Describes Win32 error numbers with the texts Windows gives them. On Windows this
// is Boost's system category; Boost's on Linux would describe them as errno values.
const boost::system::error_category& systemCategory() noexcept;

// Sets the last error and answers FALSE, as a failing call does.
BOOL failWith(DWORD errorCode);

// The Win32 error number with the meaning of a C library errno value.
DWORD win32ErrorFromErrno(int errnoValue);

// The Win32 error number for an error number the operating system reported to a
// dependency (on Windows already a Win32 number; here an errno value).
inline DWORD win32ErrorFromNative(int nativeError)
{
   return win32ErrorFromErrno(nativeError);
}

// What a handle stands for; destroying it releases the resource (CloseHandle).
class HandleObject
{
public:
   virtual ~HandleObject();
};

// A new handle for the object: a multiple of 4 from 0x100, never reused.
HANDLE addHandle(std::unique_ptr<HandleObject> object);

// Removes the object from the table and hands it over, when the handle names one of
// type T; null otherwise (the handle then stays as it was).
template <typename T>
std::unique_ptr<T> takeHandle(HANDLE handle);

namespace detail {
std::unique_ptr<HandleObject> takeHandleIf(HANDLE handle, bool (*matches)(const HandleObject&));
bool visitHandle(HANDLE handle, const std::function<bool(HandleObject&)>& visit);
} // namespace detail

// Calls visit with the object, under the table's lock, when the handle names one of
// type T; false otherwise. The visit must be short: it holds up every handle call.
template <typename T, typename Visit>
bool visitHandle(HANDLE handle, Visit visit)
{
   return detail::visitHandle(handle, [&](HandleObject& object) {
      T* typed = dynamic_cast<T*>(&object);
      if (typed == nullptr)
         return false;
      visit(*typed);
      return true;
   });
}

template <typename T>
std::unique_ptr<T> takeHandle(HANDLE handle)
{
   std::unique_ptr<HandleObject> object = detail::takeHandleIf(
      handle, [](const HandleObject& candidate) { return dynamic_cast<const T*>(&candidate) != nullptr; });
   return std::unique_ptr<T>(static_cast<T*>(object.release()));
}

} // namespace velorin::platform
