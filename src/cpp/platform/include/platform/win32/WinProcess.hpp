// WinProcess.hpp: the machine's processes, opening and terminating them, and starting
// a program from a command line.
//
// Process ids are Linux's. A snapshot lists every process that /proc shows, under
// Windows' idle process (id 0, parent 0), with the executable's file name (or the
// kernel's short name when the executable cannot be read) in the ANSI code page. A
// process that has ended is not listed, even while it waits to be reaped.
#pragma once

#include <platform/win32/WinBase.hpp>

using CHAR = char;

constexpr DWORD TH32CS_SNAPPROCESS = 0x2;

constexpr DWORD PROCESS_TERMINATE = 0x1;
constexpr DWORD PROCESS_QUERY_INFORMATION = 0x400;
constexpr DWORD SYNCHRONIZE = 0x100000;
constexpr DWORD PROCESS_ALL_ACCESS = 0x1FFFFF;

constexpr DWORD NORMAL_PRIORITY_CLASS = 0x20;
constexpr DWORD IDLE_PRIORITY_CLASS = 0x40;
constexpr DWORD HIGH_PRIORITY_CLASS = 0x80;
constexpr DWORD BELOW_NORMAL_PRIORITY_CLASS = 0x4000;
constexpr DWORD ABOVE_NORMAL_PRIORITY_CLASS = 0x8000;
constexpr DWORD CREATE_BREAKAWAY_FROM_JOB = 0x01000000;

constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD STILL_ACTIVE = 259;

struct PROCESSENTRY32
{
   DWORD dwSize;
   DWORD cntUsage;
   DWORD th32ProcessID;
   ULONG_PTR th32DefaultHeapID;
   DWORD th32ModuleID;
   DWORD cntThreads;
   DWORD th32ParentProcessID;
   LONG pcPriClassBase;
   DWORD dwFlags;
   CHAR szExeFile[260];
};
using LPPROCESSENTRY32 = PROCESSENTRY32*;
static_assert(sizeof(PROCESSENTRY32) == 304, "PROCESSENTRY32 as on 64-bit Windows");

struct STARTUPINFOA
{
   DWORD cb;
   LPSTR lpReserved;
   LPSTR lpDesktop;
   LPSTR lpTitle;
   DWORD dwX;
   DWORD dwY;
   DWORD dwXSize;
   DWORD dwYSize;
   DWORD dwXCountChars;
   DWORD dwYCountChars;
   DWORD dwFillAttribute;
   DWORD dwFlags;
   WORD wShowWindow;
   WORD cbReserved2;
   LPBYTE lpReserved2;
   HANDLE hStdInput;
   HANDLE hStdOutput;
   HANDLE hStdError;
};
using LPSTARTUPINFOA = STARTUPINFOA*;
static_assert(sizeof(STARTUPINFOA) == 104, "STARTUPINFOA as on 64-bit Windows");

struct STARTUPINFOW
{
   DWORD cb;
   LPWSTR lpReserved;
   LPWSTR lpDesktop;
   LPWSTR lpTitle;
   DWORD dwX;
   DWORD dwY;
   DWORD dwXSize;
   DWORD dwYSize;
   DWORD dwXCountChars;
   DWORD dwYCountChars;
   DWORD dwFillAttribute;
   DWORD dwFlags;
   WORD wShowWindow;
   WORD cbReserved2;
   LPBYTE lpReserved2;
   HANDLE hStdInput;
   HANDLE hStdOutput;
   HANDLE hStdError;
};
using LPSTARTUPINFOW = STARTUPINFOW*;
static_assert(sizeof(STARTUPINFOW) == 104, "STARTUPINFOW as on 64-bit Windows");

struct PROCESS_INFORMATION
{
   HANDLE hProcess;
   HANDLE hThread;
   DWORD dwProcessId;
   DWORD dwThreadId;
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

// Only TH32CS_SNAPPROCESS is supported (87 otherwise); the process id is ignored.
HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId);
// First starts the walk again. An entry whose dwSize is below 304 is refused (24);
// the end of the list is FALSE with 18.
BOOL Process32First(HANDLE snapshot, LPPROCESSENTRY32 entry);
BOOL Process32Next(HANDLE snapshot, LPPROCESSENTRY32 entry);

// Id 0 and ids that name no process give 87; a process that ends later stays the one
// the handle names, even when its id is reused.
HANDLE OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId);
// Kills the process; Linux cannot impose the exit code. 5 when the handle lacks
// PROCESS_TERMINATE, the process has ended or it may not be signalled.
BOOL TerminateProcess(HANDLE process, UINT exitCode);

// The pseudo handle of the running process, (HANDLE)-1 as on Windows.
HANDLE GetCurrentProcess();
DWORD GetCurrentProcessId();

// The command line the program was started with, quoted by Windows' rules: in the
// ANSI code page (a character it lacks becomes '?', as on Windows), or in UTF-16.
LPSTR GetCommandLineA();
LPWSTR GetCommandLineW();
DWORD GetPriorityClass(HANDLE process);

// Splits the command line by Windows' rules and runs its first word, looked for in the
// running program's folder and then along PATH, with the environment the program has
// set; the child's first argument is that word as written, as on Windows. Only a null
// application name, environment and folder are supported. The child
// takes the priority class given; while the program is in a kill-on-close job, a child
// that does not break away (CREATE_BREAKAWAY_FROM_JOB) is killed when the program ends
// by returning from main, exit or ExitProcess (a crash leaves it running).
BOOL CreateProcessA(LPCSTR applicationName,
                    LPSTR commandLine,
                    LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes,
                    BOOL inheritHandles,
                    DWORD creationFlags,
                    LPVOID environment,
                    LPCSTR currentDirectory,
                    LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation);
BOOL CreateProcessW(LPCWSTR applicationName,
                    LPWSTR commandLine,
                    LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes,
                    BOOL inheritHandles,
                    DWORD creationFlags,
                    LPVOID environment,
                    LPCWSTR currentDirectory,
                    LPSTARTUPINFOW startupInfo,
                    LPPROCESS_INFORMATION processInformation);

// Windows lets the process bring a window forward; a console has none to bring.
BOOL AllowSetForegroundWindow(DWORD processId);

// Waits for a process to end: WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED with the
// last error.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// STILL_ACTIVE while the process runs; a process killed by signal s ended with 128 + s.
// The code is known for the program's own children only (50 for other processes).
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);

[[noreturn]] void ExitProcess(UINT exitCode);

namespace velorin::platform {

// Whether children that do not break away are killed with the program, as the
// kill-on-close job the program joined asks.
void setKillChildrenOnExit(bool kill);

} // namespace velorin::platform
