// WinVersion.hpp: testing the Windows version the program runs on.
//
// The version reported is 10.0 with no service pack, the Windows 10 and 11 that a
// 64-bit console program meets today.
#pragma once

#include <platform/win32/WinBase.hpp>

struct OSVERSIONINFOEXW
{
   DWORD dwOSVersionInfoSize;
   DWORD dwMajorVersion;
   DWORD dwMinorVersion;
   DWORD dwBuildNumber;
   DWORD dwPlatformId;
   char16_t szCSDVersion[128]; // two-byte units, so the record keeps Windows' size
   WORD wServicePackMajor;
   WORD wServicePackMinor;
   WORD wSuiteMask;
   BYTE wProductType;
   BYTE wReserved;
};
using LPOSVERSIONINFOEXW = OSVERSIONINFOEXW*;
static_assert(sizeof(OSVERSIONINFOEXW) == 284, "OSVERSIONINFOEXW as on Windows");

constexpr DWORD VER_MINORVERSION = 0x1;
constexpr DWORD VER_MAJORVERSION = 0x2;
constexpr DWORD VER_BUILDNUMBER = 0x4;
constexpr DWORD VER_SERVICEPACKMINOR = 0x10;
constexpr DWORD VER_SERVICEPACKMAJOR = 0x20;

constexpr BYTE VER_EQUAL = 1;
constexpr BYTE VER_GREATER = 2;
constexpr BYTE VER_GREATER_EQUAL = 3;
constexpr BYTE VER_LESS = 4;
constexpr BYTE VER_LESS_EQUAL = 5;

ULONGLONG VerSetConditionMask(ULONGLONG conditionMask, DWORD typeMask, BYTE condition);

// Compares major, minor, service-pack major, service-pack minor and build, in that
// order, as one version, under the condition of the first of them in the type mask.
// A version that does not meet it gives FALSE with 1150; a record of another size 87.
BOOL VerifyVersionInfoW(LPOSVERSIONINFOEXW versionInformation, DWORD typeMask, DWORDLONG conditionMask);

namespace velorin::platform {

// For tests: the version reported from now on.
void setReportedWindowsVersion(DWORD major, DWORD minor, WORD servicePackMajor);

} // namespace velorin::platform
