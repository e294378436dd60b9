// WinJob.hpp: job objects, as far as a program puts itself in one.
//
// Linux has no jobs: the program never stands in an enclosing job, unless a test sets
// kRefusingJobVariable (WinEnvironment.hpp), which makes the assignment fail with 5 as
// an enclosing job that forbids nesting does. Kill-on-close is kept as best it can be:
// the children the program starts later without breaking away die when it ends in
// order; their own children are not reached.
#pragma once

#include <platform/win32/WinBase.hpp>

union LARGE_INTEGER
{
   struct
   {
      DWORD LowPart;
      LONG HighPart;
   } u;
   LONGLONG QuadPart;
};

struct IO_COUNTERS
{
   ULONGLONG ReadOperationCount;
   ULONGLONG WriteOperationCount;
   ULONGLONG OtherOperationCount;
   ULONGLONG ReadTransferCount;
   ULONGLONG WriteTransferCount;
   ULONGLONG OtherTransferCount;
};

struct JOBOBJECT_BASIC_LIMIT_INFORMATION
{
   LARGE_INTEGER PerProcessUserTimeLimit;
   LARGE_INTEGER PerJobUserTimeLimit;
   DWORD LimitFlags;
   SIZE_T MinimumWorkingSetSize;
   SIZE_T MaximumWorkingSetSize;
   DWORD ActiveProcessLimit;
   ULONG_PTR Affinity;
   DWORD PriorityClass;
   DWORD SchedulingClass;
};

struct JOBOBJECT_EXTENDED_LIMIT_INFORMATION
{
   JOBOBJECT_BASIC_LIMIT_INFORMATION BasicLimitInformation;
   IO_COUNTERS IoInfo;
   SIZE_T ProcessMemoryLimit;
   SIZE_T JobMemoryLimit;
   SIZE_T PeakProcessMemoryUsed;
   SIZE_T PeakJobMemoryUsed;
};
static_assert(sizeof(JOBOBJECT_EXTENDED_LIMIT_INFORMATION) == 144, "as on 64-bit Windows");
static_assert(offsetof(JOBOBJECT_EXTENDED_LIMIT_INFORMATION, BasicLimitInformation.LimitFlags) == 16,
              "LimitFlags as on 64-bit Windows");

enum JOBOBJECTINFOCLASS
{
   JobObjectExtendedLimitInformation = 9
};

constexpr DWORD JOB_OBJECT_LIMIT_BREAKAWAY_OK = 0x800;
constexpr DWORD JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE = 0x2000;

// Unnamed jobs only (50 for a name).
HANDLE CreateJobObjectA(LPSECURITY_ATTRIBUTES jobAttributes, LPCSTR name);
// JobObjectExtendedLimitInformation only (87 otherwise), of exactly its size (24).
BOOL SetInformationJobObject(HANDLE job, JOBOBJECTINFOCLASS informationClass, LPVOID information,
                             DWORD length);
// The running process only (50 for another).
BOOL AssignProcessToJobObject(HANDLE job, HANDLE process);
