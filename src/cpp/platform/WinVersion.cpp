// WinVersion.cpp: the version test against a reported Windows version.
#include <platform/win32/WinVersion.hpp>

#include <array>
#include <atomic>

#include "FailureHook.hpp"

namespace {

std::atomic<DWORD> s_major{10};
std::atomic<DWORD> s_minor{0};
std::atomic<WORD> s_servicePackMajor{0};

// The type bits from the most to the least significant part of a version.
constexpr std::array<DWORD, 5> kOrder = {VER_MAJORVERSION, VER_MINORVERSION, VER_SERVICEPACKMAJOR,
                                         VER_SERVICEPACKMINOR, VER_BUILDNUMBER};

int bitIndex(DWORD typeBit)
{
   int index = 0;
   while ((typeBit >> index) != 1)
      ++index;
   return index;
}

BYTE conditionOf(ULONGLONG mask, DWORD typeBit)
{
   return static_cast<BYTE>((mask >> (3 * bitIndex(typeBit))) & 0x7);
}

} // namespace

BOOL VerifyVersionInfoW(LPOSVERSIONINFOEXW versionInformation, DWORD typeMask, DWORDLONG conditionMask)
{
   if (velorin::platform::consumeArmedFailure("VerifyVersionInfoW"))
      return FALSE;
   if (versionInformation == nullptr || versionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXW) ||
       typeMask == 0)
   {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
   }

   const auto reported = [](DWORD typeBit) -> DWORD {
      switch (typeBit)
      {
         case VER_MAJORVERSION: return s_major;
         case VER_MINORVERSION: return s_minor;
         case VER_SERVICEPACKMAJOR: return s_servicePackMajor;
         case VER_BUILDNUMBER: return 19045;
         default: return 0;
      }
   };
   const auto requested = [&](DWORD typeBit) -> DWORD {
      switch (typeBit)
      {
         case VER_MAJORVERSION: return versionInformation->dwMajorVersion;
         case VER_MINORVERSION: return versionInformation->dwMinorVersion;
         case VER_SERVICEPACKMAJOR: return versionInformation->wServicePackMajor;
         case VER_SERVICEPACKMINOR: return versionInformation->wServicePackMinor;
         default: return versionInformation->dwBuildNumber;
      }
   };

   BYTE condition = 0;
   int order = 0; // <0, 0, >0: the reported version against the requested one
   for (DWORD typeBit : kOrder)
   {
      if ((typeMask & typeBit) == 0)
         continue;
      if (condition == 0)
         condition = conditionOf(conditionMask, typeBit);
      if (order == 0 && reported(typeBit) != requested(typeBit))
         order = reported(typeBit) < requested(typeBit) ? -1 : 1;
   }

   bool met = false;
   switch (condition)
   {
      case VER_EQUAL: met = order == 0; break;
      case VER_GREATER: met = order > 0; break;
      case VER_GREATER_EQUAL: met = order >= 0; break;
      case VER_LESS: met = order < 0; break;
      case VER_LESS_EQUAL: met = order <= 0; break;
      default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
   }
   if (!met)
      SetLastError(ERROR_OLD_WIN_VERSION);
   return met ? TRUE : FALSE;
}

ULONGLONG VerSetConditionMask(ULONGLONG conditionMask, DWORD typeMask, BYTE condition)
{
   for (DWORD typeBit : kOrder)
      if ((typeMask & typeBit) != 0)
         conditionMask |= static_cast<ULONGLONG>(condition & 0x7) << (3 * bitIndex(typeBit));
   return conditionMask;
}

namespace velorin::platform {

void setReportedWindowsVersion(DWORD major, DWORD minor, WORD servicePackMajor)
{
   s_major = major;
   s_minor = minor;
   s_servicePackMajor = servicePackMajor;
}

} // namespace velorin::platform
