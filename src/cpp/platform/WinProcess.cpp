// WinProcess.cpp: process snapshots from /proc, pidfd-based process handles, and
// CreateProcessA over fork and exec.
//
// A process handle holds a pidfd, so it keeps naming the process it was opened for
// after that process ends and its id is reused: a signal never reaches a stranger.
#include <platform/win32/WinProcess.hpp>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <platform/win32/WinEnvironment.hpp>
#include <platform/win32/WinText.hpp>

#include "EnvironmentAccess.hpp"
#include "FailureHook.hpp"

namespace {

using velorin::platform::failWith;

std::atomic<bool> s_killChildrenOnExit{false};

// The children that die with the program: descriptors that name only them.
std::mutex s_jobChildrenMutex;
std::vector<int> s_jobChildren;

int pidfdOpen(pid_t pid)
{
   return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

int pidfdSendSignal(int pidfd, int signal)
{
   return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0));
}

// What closing a kill-on-close job does when the program ends.
void killJobChildren()
{
   std::lock_guard<std::mutex> lock(s_jobChildrenMutex);
   for (int pidfd : s_jobChildren)
   {
      pidfdSendSignal(pidfd, SIGKILL);
      ::close(pidfd);
   }
   s_jobChildren.clear();
}

class SnapshotHandle final : public velorin::platform::HandleObject
{
public:
   std::vector<PROCESSENTRY32> entries;
   std::size_t next = 0;
};

// What a process handle knows; shared so that a wait runs outside the handle table.
struct ProcessState
{
   ~ProcessState()
   {
      if (pidfd >= 0)
         ::close(pidfd);
   }

   pid_t pid = 0;
   int pidfd = -1;
   DWORD access = 0;
   bool child = false; // started by CreateProcessA, so its exit status can be read
   std::mutex mutex;
   std::optional<DWORD> exitCode;
};

class ProcessHandle final : public velorin::platform::HandleObject
{
public:
   explicit ProcessHandle(std::shared_ptr<ProcessState> state) : state(std::move(state)) {}
   std::shared_ptr<ProcessState> state;
};

// Windows gives every process a main thread; its handle only has to exist.
class ThreadHandle final : public velorin::platform::HandleObject
{
};

std::shared_ptr<ProcessState> processState(HANDLE handle)
{
   std::shared_ptr<ProcessState> state;
   velorin::platform::visitHandle<ProcessHandle>(handle, [&](ProcessHandle& process) { state = process.state; });
   return state;
}

std::string readFile(const std::string& path)
{
   std::ifstream stream(path, std::ios::binary);
   std::ostringstream text;
   text << stream.rdbuf();
   return text.str();
}

// The entry of one /proc/<pid>; nothing when the process has gone meanwhile.
std::optional<PROCESSENTRY32> entryOf(pid_t pid)
{
   const std::string folder = "/proc/" + std::to_string(pid);
   const std::string stat = readFile(folder + "/stat");
   const std::size_t open = stat.find('(');
   const std::size_t close = stat.rfind(')');
   if (open == std::string::npos || close == std::string::npos || close < open)
      return std::nullopt;

   // Fields from the third on: state, ppid, ... num_threads is the twentieth.
   std::istringstream fields(stat.substr(close + 1));
   std::vector<std::string> field;
   for (std::string value; fields >> value && field.size() < 18;)
      field.push_back(value);
   if (field.size() < 18)
      return std::nullopt;
   // A process that has ended is no longer listed on Windows, whoever still holds it.
   if (field[0] == "Z" || field[0] == "X")
      return std::nullopt;

   PROCESSENTRY32 entry{};
   entry.dwSize = sizeof(PROCESSENTRY32);
   entry.th32ProcessID = static_cast<DWORD>(pid);
   entry.th32ParentProcessID = static_cast<DWORD>(std::strtoul(field[1].c_str(), nullptr, 10));
   entry.cntThreads = static_cast<DWORD>(std::strtoul(field[17].c_str(), nullptr, 10));
   entry.pcPriClassBase = 8;

   std::string name = stat.substr(open + 1, close - open - 1);
   char target[PATH_MAX];
   const ssize_t length = ::readlink((folder + "/exe").c_str(), target, sizeof(target) - 1);
   if (length > 0)
   {
      std::string exe(target, static_cast<std::size_t>(length));
      const std::string deleted = " (deleted)";
      if (exe.size() > deleted.size() && exe.compare(exe.size() - deleted.size(), deleted.size(), deleted) == 0)
         exe.resize(exe.size() - deleted.size());
      name = exe.substr(exe.rfind('/') + 1);
   }
   name = velorin::platform::ansiFromUtf8(name);
   std::strncpy(entry.szExeFile, name.c_str(), sizeof(entry.szExeFile) - 1);
   return entry;
}

BOOL walkSnapshot(HANDLE snapshot, LPPROCESSENTRY32 entry, bool first)
{
   if (entry == nullptr)
      return failWith(ERROR_INVALID_PARAMETER);
   if (entry->dwSize < sizeof(PROCESSENTRY32))
      return failWith(ERROR_BAD_LENGTH);
   bool known = false;
   bool found = false;
   velorin::platform::visitHandle<SnapshotHandle>(snapshot, [&](SnapshotHandle& walk) {
      known = true;
      if (first)
         walk.next = 0;
      if (walk.next < walk.entries.size())
      {
         *entry = walk.entries[walk.next++];
         found = true;
      }
   });
   if (!known)
      return failWith(ERROR_INVALID_HANDLE);
   return found ? TRUE : failWith(ERROR_NO_MORE_FILES);
}

// Windows' quoting of one argument, as CommandLineToArgvW reads it back.
std::string quoted(const std::string& argument)
{
   if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
      return argument;
   std::string text = "\"";
   std::size_t backslashes = 0;
   for (char c : argument)
   {
      if (c == '\\')
      {
         ++backslashes;
         continue;
      }
      text.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
      backslashes = 0;
      text.push_back(c);
   }
   text.append(backslashes * 2, '\\');
   return text + "\"";
}

// The program's own arguments, each quoted by Windows' rules, in UTF-8.
std::string commandLineText()
{
   const std::string arguments = readFile("/proc/self/cmdline");
   std::string text;
   for (std::size_t start = 0; start < arguments.size();)
   {
      const std::size_t end = arguments.find('\0', start);
      const std::string argument = arguments.substr(start, end - start);
      text += (text.empty() ? "" : " ") + quoted(argument);
      if (end == std::string::npos)
         break;
      start = end + 1;
   }
   return text;
}

// The words of a command line by the rules of the Windows C runtime.
std::vector<std::string> splitCommandLine(const std::string& line)
{
   std::vector<std::string> words;
   std::size_t i = 0;
   while (true)
   {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
         ++i;
      if (i >= line.size())
         return words;
      std::string word;
      bool inQuotes = false;
      for (; i < line.size() && (inQuotes || (line[i] != ' ' && line[i] != '\t')); ++i)
      {
         std::size_t backslashes = 0;
         while (i < line.size() && line[i] == '\\')
         {
            ++backslashes;
            ++i;
         }
         if (i < line.size() && line[i] == '"')
         {
            word.append(backslashes / 2, '\\');
            if (backslashes % 2 == 1)
               word.push_back('"');
            else if (inQuotes && i + 1 < line.size() && line[i + 1] == '"')
            {
               word.push_back('"');
               ++i;
            }
            else
               inQuotes = !inQuotes;
         }
         else
         {
            word.append(backslashes, '\\');
            if (i >= line.size())
               break;
            if (!inQuotes && (line[i] == ' ' || line[i] == '\t'))
               break;
            word.push_back(line[i]);
         }
      }
      words.push_back(word);
   }
}

bool isExecutableFile(const std::string& path)
{
   struct stat status;
   return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The file a program name runs. Windows looks for a bare name in the running
// program's folder before PATH; the PATH is read here, under the environment's lock,
// never in the child. Empty when no folder holds it.
std::string programPath(const std::string& name)
{
   if (name.find('/') != std::string::npos)
      return name;
   char self[PATH_MAX];
   const ssize_t length = ::readlink("/proc/self/exe", self, sizeof(self) - 1);
   if (length > 0)
   {
      std::string besideSelf(self, static_cast<std::size_t>(length));
      besideSelf = besideSelf.substr(0, besideSelf.rfind('/') + 1) + name;
      if (isExecutableFile(besideSelf))
         return besideSelf;
   }
   const std::string path = velorin::platform::environmentValue("PATH").value_or("/bin:/usr/bin");
   for (std::size_t start = 0; start <= path.size();)
   {
      std::size_t end = path.find(':', start);
      if (end == std::string::npos)
         end = path.size();
      const std::string folder = path.substr(start, end - start);
      if (!folder.empty() && isExecutableFile(folder + "/" + name))
         return folder + "/" + name;
      start = end + 1;
   }
   return std::string();
}

int niceOf(DWORD priorityClass)
{
   switch (priorityClass)
   {
      case IDLE_PRIORITY_CLASS: return 19;
      case BELOW_NORMAL_PRIORITY_CLASS: return 5;
      case ABOVE_NORMAL_PRIORITY_CLASS: return -5;
      case HIGH_PRIORITY_CLASS: return -10;
      default: return 0;
   }
}

DWORD priorityClassOf(int nice)
{
   if (nice <= -10)
      return HIGH_PRIORITY_CLASS;
   if (nice < 0)
      return ABOVE_NORMAL_PRIORITY_CLASS;
   if (nice == 0)
      return NORMAL_PRIORITY_CLASS;
   if (nice < 10)
      return BELOW_NORMAL_PRIORITY_CLASS;
   return IDLE_PRIORITY_CLASS;
}

DWORD exitCodeOfStatus(int status)
{
   if (WIFSIGNALED(status))
      return static_cast<DWORD>(128 + WTERMSIG(status));
   return static_cast<DWORD>(WEXITSTATUS(status));
}

// Reaps the child when it has ended (blocking when asked); its exit code once known.
std::optional<DWORD> reap(ProcessState& process, bool block)
{
   std::lock_guard<std::mutex> lock(process.mutex);
   if (!process.exitCode)
   {
      int status = 0;
      pid_t done;
      do
         done = ::waitpid(process.pid, &status, block ? 0 : WNOHANG);
      while (done < 0 && errno == EINTR);
      if (done == process.pid)
         process.exitCode = exitCodeOfStatus(status);
   }
   return process.exitCode;
}

// What both character widths of CreateProcess do, for a UTF-8 command line: only a
// null application name, environment and folder are supported, and the command line
// and a start-up record of its width's size must be given.
BOOL startProcess(bool supported,
                  bool given,
                  const std::string& commandLine,
                  DWORD creationFlags,
                  LPPROCESS_INFORMATION processInformation)
{
   if (!supported)
      return failWith(ERROR_NOT_SUPPORTED);
   if (!given || processInformation == nullptr)
      return failWith(ERROR_INVALID_PARAMETER);
   std::vector<std::string> words = splitCommandLine(commandLine);
   if (words.empty())
      return failWith(ERROR_FILE_NOT_FOUND);
   // The child sees its first word as written; the file found is what runs.
   const std::string program = programPath(words[0]);
   if (program.empty())
      return failWith(ERROR_FILE_NOT_FOUND);

   const bool breakaway = (creationFlags & CREATE_BREAKAWAY_FROM_JOB) != 0;
   std::vector<std::string> entries = velorin::platform::environmentEntries();
   if (breakaway)
   {
      // Outside the job, the process no longer stands in the job that refused it.
      const std::string refusing = std::string(velorin::platform::kRefusingJobVariable) + "=";
      entries.erase(std::remove_if(entries.begin(), entries.end(),
                                   [&](const std::string& e) { return e.compare(0, refusing.size(), refusing) == 0; }),
                    entries.end());
   }

   // Everything the child needs is made before the fork: after it, only calls that
   // are safe in a forked copy of a threaded program.
   std::vector<char*> argv;
   for (std::string& word : words)
      argv.push_back(&word[0]);
   argv.push_back(nullptr);
   std::vector<char*> envp;
   for (std::string& entry : entries)
      envp.push_back(&entry[0]);
   envp.push_back(nullptr);
   const int nice = niceOf(creationFlags & 0xFFFF);
   const bool inJob = s_killChildrenOnExit.load() && !breakaway;

   int report[2];
   if (::pipe2(report, O_CLOEXEC) != 0)
      return failWith(velorin::platform::win32ErrorFromErrno(errno));

   const pid_t pid = ::fork();
   if (pid < 0)
   {
      const int error = errno;
      ::close(report[0]);
      ::close(report[1]);
      return failWith(velorin::platform::win32ErrorFromErrno(error));
   }
   if (pid == 0)
   {
      ::close(report[0]);
      if (nice != 0)
         ::setpriority(PRIO_PROCESS, 0, nice);
      ::execve(program.c_str(), argv.data(), envp.data());
      const int error = errno;
      ssize_t written;
      do
         written = ::write(report[1], &error, sizeof(error));
      while (written < 0 && errno == EINTR);
      ::_exit(127);
   }

   ::close(report[1]);
   int execError = 0;
   ssize_t got;
   do
      got = ::read(report[0], &execError, sizeof(execError));
   while (got < 0 && errno == EINTR);
   ::close(report[0]);
   if (got == sizeof(execError))
   {
      int status;
      ::waitpid(pid, &status, 0);
      return failWith(execError == ENOENT ? ERROR_FILE_NOT_FOUND : velorin::platform::win32ErrorFromErrno(execError));
   }

   if (inJob)
   {
      const int jobChild = pidfdOpen(pid);
      std::lock_guard<std::mutex> lock(s_jobChildrenMutex);
      if (jobChild >= 0)
         s_jobChildren.push_back(jobChild);
   }

   auto state = std::make_shared<ProcessState>();
   state->pid = pid;
   state->pidfd = pidfdOpen(pid);
   state->access = PROCESS_ALL_ACCESS;
   state->child = true;
   processInformation->hProcess = velorin::platform::addHandle(std::make_unique<ProcessHandle>(state));
   processInformation->hThread = velorin::platform::addHandle(std::make_unique<ThreadHandle>());
   processInformation->dwProcessId = static_cast<DWORD>(pid);
   processInformation->dwThreadId = static_cast<DWORD>(pid);
   return TRUE;
}

} // namespace

BOOL AllowSetForegroundWindow(DWORD processId)
{
   (void)processId;
   return TRUE;
}

BOOL CreateProcessA(LPCSTR applicationName,
                    LPSTR commandLine,
                    LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes,
                    BOOL inheritHandles,
                    DWORD creationFlags,
                    LPVOID environment,
                    LPCSTR currentDirectory,
                    LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation)
{
   if (velorin::platform::consumeArmedFailure("CreateProcessA"))
      return FALSE;
   (void)processAttributes;
   (void)threadAttributes;
   (void)inheritHandles; // descriptors the program left inheritable are inherited
   return startProcess(applicationName == nullptr && environment == nullptr && currentDirectory == nullptr,
                       commandLine != nullptr && startupInfo != nullptr && startupInfo->cb == sizeof(STARTUPINFOA),
                       commandLine == nullptr ? std::string() : velorin::platform::utf8FromAnsi(commandLine),
                       creationFlags, processInformation);
}

BOOL CreateProcessW(LPCWSTR applicationName,
                    LPWSTR commandLine,
                    LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes,
                    BOOL inheritHandles,
                    DWORD creationFlags,
                    LPVOID environment,
                    LPCWSTR currentDirectory,
                    LPSTARTUPINFOW startupInfo,
                    LPPROCESS_INFORMATION processInformation)
{
   if (velorin::platform::consumeArmedFailure("CreateProcessW"))
      return FALSE;
   (void)processAttributes;
   (void)threadAttributes;
   (void)inheritHandles;
   return startProcess(applicationName == nullptr && environment == nullptr && currentDirectory == nullptr,
                       commandLine != nullptr && startupInfo != nullptr && startupInfo->cb == sizeof(STARTUPINFOW),
                       commandLine == nullptr ? std::string()
                                              : velorin::platform::utf8FromUtf16(commandLine, std::wcslen(commandLine)),
                       creationFlags, processInformation);
}

HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId)
{
   (void)processId;
   if (velorin::platform::consumeArmedFailure("CreateToolhelp32Snapshot"))
      return INVALID_HANDLE_VALUE;
   if (flags != TH32CS_SNAPPROCESS)
   {
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
   }

   DIR* proc = ::opendir("/proc");
   if (proc == nullptr)
   {
      SetLastError(velorin::platform::win32ErrorFromErrno(errno));
      return INVALID_HANDLE_VALUE;
   }
   auto snapshot = std::make_unique<SnapshotHandle>();
   PROCESSENTRY32 idle{};
   idle.dwSize = sizeof(PROCESSENTRY32);
   idle.cntThreads = 1;
   std::strcpy(idle.szExeFile, "[System Process]");
   snapshot->entries.push_back(idle);
   while (const dirent* entry = ::readdir(proc))
   {
      char* end = nullptr;
      const unsigned long pid = std::strtoul(entry->d_name, &end, 10);
      if (*end != '\0' || pid == 0 || pid > INT_MAX)
         continue;
      if (const std::optional<PROCESSENTRY32> process = entryOf(static_cast<pid_t>(pid)))
         snapshot->entries.push_back(*process);
   }
   ::closedir(proc);
   return velorin::platform::addHandle(std::move(snapshot));
}

void ExitProcess(UINT exitCode)
{
   killJobChildren();
   std::fflush(nullptr);
   ::_exit(static_cast<int>(exitCode));
}

LPSTR GetCommandLineA()
{
   static std::string* line = new std::string(velorin::platform::ansiFromUtf8(commandLineText())); // lives as long as the process
   return &(*line)[0];
}

LPWSTR GetCommandLineW()
{
   static std::wstring* line = new std::wstring(velorin::platform::utf16FromUtf8(commandLineText())); // as long as the process
   return &(*line)[0];
}

HANDLE GetCurrentProcess()
{
   return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
}

DWORD GetCurrentProcessId()
{
   return static_cast<DWORD>(::getpid());
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode)
{
   if (velorin::platform::consumeArmedFailure("GetExitCodeProcess"))
      return FALSE;
   const std::shared_ptr<ProcessState> state = processState(process);
   if (!state)
      return failWith(ERROR_INVALID_HANDLE);
   if (exitCode == nullptr)
      return failWith(ERROR_INVALID_PARAMETER);
   if (!state->child)
      return failWith(ERROR_NOT_SUPPORTED);
   const std::optional<DWORD> code = reap(*state, false);
   *exitCode = code ? *code : STILL_ACTIVE;
   return TRUE;
}

DWORD GetPriorityClass(HANDLE process)
{
   if (velorin::platform::consumeArmedFailure("GetPriorityClass"))
      return 0;
   pid_t pid = 0;
   if (process != GetCurrentProcess())
   {
      const std::shared_ptr<ProcessState> state = processState(process);
      if (!state)
         return failWith(ERROR_INVALID_HANDLE);
      pid = state->pid;
   }
   errno = 0;
   const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(pid));
   if (nice == -1 && errno != 0)
      return failWith(velorin::platform::win32ErrorFromErrno(errno));
   return priorityClassOf(nice);
}

HANDLE OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId)
{
   (void)inheritHandle;
   if (velorin::platform::consumeArmedFailure("OpenProcess"))
      return nullptr;
   // Id 0 is the idle process, which cannot be opened; kill() would take it, and
   // negative ids, as whole process groups.
   if (processId == 0 || processId > static_cast<DWORD>(INT_MAX))
   {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
   }
   const int pidfd = pidfdOpen(static_cast<pid_t>(processId));
   if (pidfd < 0)
   {
      SetLastError(errno == ESRCH ? ERROR_INVALID_PARAMETER : velorin::platform::win32ErrorFromErrno(errno));
      return nullptr;
   }
   auto state = std::make_shared<ProcessState>();
   state->pid = static_cast<pid_t>(processId);
   state->pidfd = pidfd;
   state->access = desiredAccess;
   return velorin::platform::addHandle(std::make_unique<ProcessHandle>(state));
}

BOOL Process32First(HANDLE snapshot, LPPROCESSENTRY32 entry)
{
   if (velorin::platform::consumeArmedFailure("Process32First"))
      return FALSE;
   return walkSnapshot(snapshot, entry, true);
}

BOOL Process32Next(HANDLE snapshot, LPPROCESSENTRY32 entry)
{
   if (velorin::platform::consumeArmedFailure("Process32Next"))
      return FALSE;
   return walkSnapshot(snapshot, entry, false);
}

BOOL TerminateProcess(HANDLE process, UINT exitCode)
{
   if (velorin::platform::consumeArmedFailure("TerminateProcess"))
      return FALSE;
   if (process == GetCurrentProcess())
      ExitProcess(exitCode);
   const std::shared_ptr<ProcessState> state = processState(process);
   if (!state)
      return failWith(ERROR_INVALID_HANDLE);
   if ((state->access & PROCESS_TERMINATE) == 0 || state->pidfd < 0)
      return failWith(ERROR_ACCESS_DENIED);
   // A process that has ended takes a signal until it is reaped; Windows refuses it.
   pollfd ended{state->pidfd, POLLIN, 0};
   if (::poll(&ended, 1, 0) > 0)
      return failWith(ERROR_ACCESS_DENIED);
   if (pidfdSendSignal(state->pidfd, SIGKILL) != 0)
      return failWith(ERROR_ACCESS_DENIED); // ended already (ESRCH) or not ours to signal
   return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
   if (velorin::platform::consumeArmedFailure("WaitForSingleObject"))
      return WAIT_FAILED;
   const std::shared_ptr<ProcessState> state = processState(handle);
   if (!state)
   {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
   }
   if (state->pidfd >= 0)
   {
      pollfd ready{state->pidfd, POLLIN, 0};
      const int timeout = milliseconds == INFINITE ? -1 : static_cast<int>(std::min<DWORD>(milliseconds, INT_MAX));
      int result;
      do
         result = ::poll(&ready, 1, timeout);
      while (result < 0 && errno == EINTR);
      if (result < 0)
      {
         SetLastError(velorin::platform::win32ErrorFromErrno(errno));
         return WAIT_FAILED;
      }
      if (result == 0)
         return WAIT_TIMEOUT;
   }
   if (state->child)
      reap(*state, true);
   return WAIT_OBJECT_0;
}

namespace velorin::platform {

void setKillChildrenOnExit(bool kill)
{
   static std::once_flag registered;
   if (kill)
      std::call_once(registered, [] { std::atexit(killJobChildren); });
   s_killChildrenOnExit = kill;
}

} // namespace velorin::platform
