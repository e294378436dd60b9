// WinProcessTest.cpp: the process snapshot's walk protocol, process handles that keep
// naming their process, starting programs from a command line, and the job object.
#include <platform/TestHooks.hpp>
#include <platform/Win32Api.hpp>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ScopedEnvironment.hpp"

namespace {

std::vector<PROCESSENTRY32> snapshotEntries()
{
   std::vector<PROCESSENTRY32> entries;
   HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
   EXPECT_NE(snapshot, INVALID_HANDLE_VALUE);
   PROCESSENTRY32 entry{};
   entry.dwSize = sizeof(entry);
   for (BOOL more = ::Process32First(snapshot, &entry); more; more = ::Process32Next(snapshot, &entry))
      entries.push_back(entry);
   EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
   ::CloseHandle(snapshot);
   return entries;
}

// Starts the command line; the process information, or nothing with the last error.
PROCESS_INFORMATION start(std::string commandLine, DWORD flags = NORMAL_PRIORITY_CLASS)
{
   STARTUPINFOA startup{};
   startup.cb = sizeof(startup);
   PROCESS_INFORMATION process{};
   ::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup, &process);
   return process;
}

DWORD exitCodeOf(const PROCESS_INFORMATION& process)
{
   EXPECT_EQ(::WaitForSingleObject(process.hProcess, INFINITE), WAIT_OBJECT_0);
   DWORD code = 0;
   EXPECT_TRUE(::GetExitCodeProcess(process.hProcess, &code));
   ::CloseHandle(process.hProcess);
   ::CloseHandle(process.hThread);
   return code;
}

class WinProcessTest : public ::testing::Test
{
protected:
   const velorin::core::testing::ScopedEnvironment environment_;
};

TEST_F(WinProcessTest, SnapshotStartsWithTheIdleProcessAndHoldsThisOne)
{
   const std::vector<PROCESSENTRY32> entries = snapshotEntries();
   ASSERT_GE(entries.size(), 2u);
   EXPECT_EQ(entries[0].th32ProcessID, 0u);
   EXPECT_EQ(entries[0].th32ParentProcessID, 0u);
   EXPECT_STREQ(entries[0].szExeFile, "[System Process]");

   bool found = false;
   for (const PROCESSENTRY32& entry : entries)
   {
      if (entry.th32ProcessID != ::GetCurrentProcessId())
         continue;
      found = true;
      EXPECT_EQ(entry.th32ParentProcessID, static_cast<DWORD>(::getppid()));
      EXPECT_STREQ(entry.szExeFile, "platform_tests");
      EXPECT_GE(entry.cntThreads, 1u);
   }
   EXPECT_TRUE(found);
}

TEST_F(WinProcessTest, SnapshotWalkFollowsWindowsRules)
{
   EXPECT_EQ(::CreateToolhelp32Snapshot(0x8 /* modules */, 0), INVALID_HANDLE_VALUE);
   EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

   HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
   PROCESSENTRY32 entry{};
   entry.dwSize = sizeof(entry) - 1;
   EXPECT_FALSE(::Process32First(snapshot, &entry));
   EXPECT_EQ(GetLastError(), ERROR_BAD_LENGTH);

   entry.dwSize = sizeof(entry);
   ASSERT_TRUE(::Process32First(snapshot, &entry));
   ASSERT_TRUE(::Process32Next(snapshot, &entry));
   const DWORD second = entry.th32ProcessID;
   ASSERT_TRUE(::Process32First(snapshot, &entry)); // starts over
   EXPECT_EQ(entry.th32ProcessID, 0u);
   ASSERT_TRUE(::Process32Next(snapshot, &entry));
   EXPECT_EQ(entry.th32ProcessID, second);
   EXPECT_TRUE(::CloseHandle(snapshot));
   EXPECT_FALSE(::Process32First(snapshot, &entry));
   EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(WinProcessTest, ExitCodesOfStartedPrograms)
{
   struct Case
   {
      std::string commandLine;
      DWORD exitCode;
   };
   const Case cases[] = {
      {"sh -c \"exit 7\"", 7},
      {"sh -c \"test \\\"$0\\\" = 'a b\\\"c'\" \"a b\\\"c\"", 0}, // Windows quoting reaches argv whole
      {"sh -c \"kill -9 $$\"", 128 + 9},
      {"sh -c \"test \\\"$VELORIN_TEST_CHILD\\\" = set\"", 0},
   };
   ::SetEnvironmentVariableW(L"VELORIN_TEST_CHILD", L"set");
   for (const Case& c : cases)
   {
      const PROCESS_INFORMATION process = start(c.commandLine);
      ASSERT_NE(process.hProcess, nullptr) << c.commandLine;
      EXPECT_NE(process.dwProcessId, 0u);
      EXPECT_EQ(exitCodeOf(process), c.exitCode) << c.commandLine;
   }
}

// The wide call carries characters that the ANSI code page lacks.
TEST_F(WinProcessTest, TheWideCallCarriesEveryCharacter)
{
   const std::string text = "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80";
   const std::string commandLine = "sh -c \"test \\\"$0\\\" = '" + text + "'\" \"" + text + "\"";
   std::wstring wide = velorin::platform::utf16FromUtf8(commandLine);
   STARTUPINFOW startup{};
   startup.cb = sizeof(startup);
   PROCESS_INFORMATION process{};
   ASSERT_TRUE(::CreateProcessW(nullptr, &wide[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process));
   EXPECT_EQ(exitCodeOf(process), 0u);

   startup.cb = sizeof(STARTUPINFOA) - 1;
   EXPECT_FALSE(::CreateProcessW(nullptr, &wide[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process));
   EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(WinProcessTest, ProgramsThatCannotStartFailWithTheirError)
{
   EXPECT_EQ(start("velorin-no-such-program").hProcess, nullptr);
   EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
   EXPECT_EQ(start("/tmp").hProcess, nullptr); // a folder
   EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
   EXPECT_EQ(start("   ").hProcess, nullptr);
   EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(WinProcessTest, ABareProgramNameIsFirstLookedForBesideTheRunningProgram)
{
   // The share-mode helper is built beside this program, in no folder of PATH; without
   // its arguments it ends with 100.
   ::SetEnvironmentVariableW(L"PATH", L"/usr/bin;/bin");
   const PROCESS_INFORMATION process = start("share_mode_helper");
   ASSERT_NE(process.hProcess, nullptr) << GetLastError();
   EXPECT_EQ(exitCodeOf(process), 100u);
}

TEST_F(WinProcessTest, ChildrenTakeThePriorityClassGiven)
{
   // The tests may have been started below normal priority (nice); the class read must
   // then be another one.
   errno = 0;
   const int startedAt = ::getpriority(PRIO_PROCESS, 0);
   ASSERT_EQ(errno, 0);
   if (startedAt == 0)
      EXPECT_EQ(::GetPriorityClass(::GetCurrentProcess()), NORMAL_PRIORITY_CLASS);
   else
      EXPECT_NE(::GetPriorityClass(::GetCurrentProcess()), NORMAL_PRIORITY_CLASS) << "nice " << startedAt;
   const PROCESS_INFORMATION process = start("sleep 5", IDLE_PRIORITY_CLASS);
   ASSERT_NE(process.hProcess, nullptr);
   EXPECT_EQ(::GetPriorityClass(process.hProcess), IDLE_PRIORITY_CLASS);
   EXPECT_TRUE(::TerminateProcess(process.hProcess, 1));
   EXPECT_EQ(exitCodeOf(process), 128u + 9);
}

TEST_F(WinProcessTest, AHandleNamesItsProcessEvenAfterItEnded)
{
   const PROCESS_INFORMATION process = start("sleep 5");
   ASSERT_NE(process.hProcess, nullptr);
   DWORD code = 0;
   EXPECT_TRUE(::GetExitCodeProcess(process.hProcess, &code));
   EXPECT_EQ(code, STILL_ACTIVE);
   EXPECT_EQ(::WaitForSingleObject(process.hProcess, 0), WAIT_TIMEOUT);

   HANDLE reader = ::OpenProcess(SYNCHRONIZE, FALSE, process.dwProcessId);
   ASSERT_NE(reader, nullptr);
   EXPECT_FALSE(::TerminateProcess(reader, 1)); // opened without the right
   EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

   HANDLE terminator = ::OpenProcess(PROCESS_TERMINATE, FALSE, process.dwProcessId);
   ASSERT_NE(terminator, nullptr);
   EXPECT_TRUE(::TerminateProcess(terminator, 1));
   EXPECT_EQ(exitCodeOf(process), 128u + 9);

   // Ended and reaped: the handle never reaches a process that takes the id later.
   EXPECT_FALSE(::TerminateProcess(terminator, 1));
   EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
   EXPECT_EQ(::OpenProcess(PROCESS_TERMINATE, FALSE, process.dwProcessId), nullptr);
   EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
   EXPECT_TRUE(::CloseHandle(reader));
   EXPECT_TRUE(::CloseHandle(terminator));
}

TEST_F(WinProcessTest, IdsNoProcessCanHaveAreRefused)
{
   for (DWORD pid : {0u, 0x80000000u, 0xFFFFFFFFu})
   {
      EXPECT_EQ(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid), nullptr) << pid;
      EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << pid;
   }
}

TEST_F(WinProcessTest, CommandLineQuotesEachArgumentAsWindowsReadsIt)
{
   const std::string line = ::GetCommandLineA();
   std::ifstream stream("/proc/self/cmdline", std::ios::binary);
   std::string first;
   std::getline(stream, first, '\0');
   EXPECT_EQ(line.compare(0, first.size(), first), 0) << line;
   const std::wstring wideLine = ::GetCommandLineW();
   EXPECT_EQ(wideLine, velorin::platform::utf16FromUtf8(velorin::platform::utf8FromAnsi(line)));
}

TEST_F(WinProcessTest, JobsTakeTheirLimitsAndTheRunningProcess)
{
   ::unsetenv(velorin::platform::kRefusingJobVariable);
   EXPECT_EQ(::CreateJobObjectA(nullptr, "named"), nullptr);
   EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);

   HANDLE job = ::CreateJobObjectA(nullptr, nullptr);
   ASSERT_NE(job, nullptr);
   JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
   limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
   EXPECT_FALSE(::SetInformationJobObject(job, static_cast<JOBOBJECTINFOCLASS>(2), &limits, sizeof(limits)));
   EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
   EXPECT_FALSE(::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits) - 8));
   EXPECT_EQ(GetLastError(), ERROR_BAD_LENGTH);
   EXPECT_TRUE(::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits)));

   HANDLE other = ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, static_cast<DWORD>(::getppid()));
   EXPECT_FALSE(::AssignProcessToJobObject(job, other));
   EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
   ::CloseHandle(other);

   ::setenv(velorin::platform::kRefusingJobVariable, "1", 1);
   EXPECT_FALSE(::AssignProcessToJobObject(job, ::GetCurrentProcess()));
   EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
   ::unsetenv(velorin::platform::kRefusingJobVariable);
   EXPECT_TRUE(::AssignProcessToJobObject(job, ::GetCurrentProcess())); // without kill-on-close
   EXPECT_TRUE(::CloseHandle(job));
}

TEST_F(WinProcessTest, AChildThatBreaksAwayLeavesTheRefusingJob)
{
   ::setenv(velorin::platform::kRefusingJobVariable, "1", 1);
   const std::string test = std::string("sh -c \"test -z \\\"$") + velorin::platform::kRefusingJobVariable + "\\\"\"";
   EXPECT_EQ(exitCodeOf(start(test, NORMAL_PRIORITY_CLASS | CREATE_BREAKAWAY_FROM_JOB)), 0u);
   EXPECT_EQ(exitCodeOf(start(test)), 1u);
}

} // namespace
