// Win32System.cpp: processes, the job object, settings folders and paths, the
// clipboard, unique identifiers and the system tests, through the Windows calls.
#include <core/system/Win32System.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <core/StringUtils.hpp>
#include <core/system/Environment.hpp>
#include <core/system/System.hpp>
#include <platform/Win32Api.hpp>
#include <shared_core/Logger.hpp>
#include <shared_core/SafeConvert.hpp>
#include <shared_core/system/Win32StringUtils.hpp>

namespace velorin::core::system {
namespace {

Error lastError(const ErrorLocation& location)
{
   return systemError(static_cast<int>(::GetLastError()), location);
}

void logHresult(const std::string& message, HRESULT result, const ErrorLocation& location)
{
   log::logErrorMessage(message + "HRESULT:  " + safe_convert::numberToString(result, true), location);
}

// The guard that a restarted program finds set, so that it never restarts again.
constexpr const char* kRestartGuard = "_VELORIN_LEVEL";

Error initJobObject(bool* pDetachFromJob)
{
   *pDetachFromJob = false;
   HANDLE job = ::CreateJobObjectA(nullptr, nullptr);
   if (job == nullptr)
      return lastError(ERROR_LOCATION);

   // The handle stays open for the life of the process: closing it at exit is what
   // ends the processes in the job.
   JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
   limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_BREAKAWAY_OK;
   ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));

   if (::AssignProcessToJobObject(job, ::GetCurrentProcess()))
      return Success();

   const DWORD error = ::GetLastError();
   if (error == ERROR_ACCESS_DENIED && getenv(kRestartGuard).empty())
   {
      setenv(kRestartGuard, "1");
      *pDetachFromJob = true;
   }
   return systemError(static_cast<int>(error), ERROR_LOCATION);
}

// A byte of a name as one UTF-16 unit, sign-extended as a signed char widens.
std::wstring widenBytes(const std::string& text)
{
   std::wstring wide;
   for (char c : text)
      wide.push_back(static_cast<wchar_t>(static_cast<std::uint16_t>(static_cast<std::int16_t>(static_cast<signed char>(c)))));
   return wide;
}

// The shell makes the levels of a sub-folder only between backslashes; a name may hold
// either separator.
std::wstring withBackslashes(std::wstring subFolder)
{
   std::replace(subFolder.begin(), subFolder.end(), L'/', L'\\');
   return subFolder;
}

bool isUuidMade(RPC_STATUS status)
{
   // A UUID unique to this machine only is still a UUID.
   return status == RPC_S_OK || status == RPC_S_UUID_LOCAL_ONLY;
}

bool isTerminal(std::FILE* stream)
{
   return ::_isatty(::_fileno(stream)) != 0;
}

} // namespace

void appendExeExtension(FilePath* pPath)
{
   if (pPath->getExtension().empty())
      *pPath = pPath->getParent().completePath(pPath->getFilename() + ".exe");
}

bool atLeastWindows7()
{
   OSVERSIONINFOEXW version = {};
   version.dwOSVersionInfoSize = sizeof(version);
   version.dwMajorVersion = 6;
   version.dwMinorVersion = 1;
   version.wServicePackMajor = 0;

   DWORDLONG conditions = 0;
   conditions = ::VerSetConditionMask(conditions, VER_MAJORVERSION, VER_GREATER_EQUAL);
   conditions = ::VerSetConditionMask(conditions, VER_MINORVERSION, VER_GREATER_EQUAL);
   conditions = ::VerSetConditionMask(conditions, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
   return ::VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, conditions) !=
          0;
}

void attachToJobObject()
{
   bool detach = false;
   ignoreError(initJobObject(&detach)); // a process the job cannot take runs on outside it
   if (!detach)
      return;

   // The wide calls carry every character of the arguments; CreateProcessW may write
   // into the command line it is given, so it gets a copy of its own.
   STARTUPINFOW startup = {};
   startup.cb = sizeof(startup);
   PROCESS_INFORMATION process = {};
   std::wstring commandLine = ::GetCommandLineW();
   const DWORD flags = ::GetPriorityClass(::GetCurrentProcess()) | CREATE_BREAKAWAY_FROM_JOB;
   if (!::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup,
                         &process))
      return;

   ::AllowSetForegroundWindow(process.dwProcessId);
   ::WaitForSingleObject(process.hProcess, INFINITE);
   DWORD exitCode = 0;
   if (!::GetExitCodeProcess(process.hProcess, &exitCode))
      exitCode = ::GetLastError();
   ::CloseHandle(process.hProcess);
   ::CloseHandle(process.hThread);
   ::ExitProcess(exitCode);
}

Error captureCommand(const std::string& command, std::string* pOutput)
{
   std::FILE* pipe = ::_popen(command.c_str(), "r");
   if (pipe == nullptr)
      return systemError(errno, ERROR_LOCATION); // the C runtime's own number, as it stands

   char buffer[1024];
   while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr)
      pOutput->append(buffer);

   Error error;
   if (std::ferror(pipe))
      error = systemError(ERROR_ACCESS_DENIED, ERROR_LOCATION);
   if (::_pclose(pipe) == -1)
   {
      const int closeError = errno;
      if (error)
         log::logError(error, ERROR_LOCATION);
      error = systemError(closeError, ERROR_LOCATION);
   }
   return error;
}

ClipboardScope::~ClipboardScope()
{
   try
   {
      if (opened_ && !::CloseClipboard())
         log::logError(lastError(ERROR_LOCATION), ERROR_LOCATION);
   }
   catch (...)
   {
   }
}

Error ClipboardScope::open()
{
   if (!::OpenClipboard(nullptr))
      return lastError(ERROR_LOCATION);
   opened_ = true;
   return Success();
}

Error closeHandle(HANDLE* pHandle, const ErrorLocation& /*location*/)
{
   if (*pHandle == nullptr)
      return Success();
   const BOOL closed = ::CloseHandle(*pHandle);
   *pHandle = nullptr;
   return closed ? Success() : lastError(ERROR_LOCATION);
}

CloseHandleOnExitScope::CloseHandleOnExitScope(HANDLE* pHandle, const ErrorLocation& location)
   : pHandle_(pHandle), location_(location)
{
}

CloseHandleOnExitScope::~CloseHandleOnExitScope()
{
   try
   {
      if (pHandle_ == nullptr || *pHandle_ == nullptr || *pHandle_ == INVALID_HANDLE_VALUE)
         return;
      const Error error = closeHandle(pHandle_, location_);
      if (error)
         log::logError(error, ERROR_LOCATION);
   }
   catch (...)
   {
   }
}

FilePath commandInterpreterPath()
{
   std::string path;
   if (expandEnvironmentVariables("%COMSPEC%", &path))
      return FilePath();
   return FilePath(path);
}

Error copyMetafileToClipboard(const FilePath& path)
{
   EnhMetaFile metafile;
   Error error = metafile.open(path);
   if (error)
      return error;

   ClipboardScope clipboard;
   error = clipboard.open();
   if (error)
      return error;

   if (!::EmptyClipboard())
      return lastError(ERROR_LOCATION);
   if (::SetClipboardData(CF_ENHMETAFILE, metafile.handle()) == nullptr)
      return lastError(ERROR_LOCATION);
   metafile.release(); // the clipboard owns it now
   return Success();
}

bool effectiveUserIsRoot()
{
   HANDLE token = nullptr;
   if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
   {
      log::logError(lastError(ERROR_LOCATION), ERROR_LOCATION);
      return false;
   }
   CloseHandleOnExitScope closeToken(&token, ERROR_LOCATION);

   TOKEN_ELEVATION_TYPE elevationType = TokenElevationTypeDefault;
   DWORD size = 0;
   if (!::GetTokenInformation(token, TokenElevationType, &elevationType, sizeof(elevationType), &size))
   {
      log::logError(lastError(ERROR_LOCATION), ERROR_LOCATION);
      return false;
   }

   // Elevated, or a user without a split token: the process's own rights decide.
   if (elevationType != TokenElevationTypeLimited)
      return ::IsUserAnAdmin() != 0;

   TOKEN_LINKED_TOKEN linked = {};
   if (!::GetTokenInformation(token, TokenLinkedToken, &linked, sizeof(linked), &size))
   {
      log::logError(lastError(ERROR_LOCATION), ERROR_LOCATION);
      return false;
   }
   HANDLE linkedToken = linked.LinkedToken;
   CloseHandleOnExitScope closeLinkedToken(&linkedToken, ERROR_LOCATION);

   BYTE administrators[SECURITY_MAX_SID_SIZE];
   DWORD sidSize = sizeof(administrators);
   if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sidSize))
   {
      log::logError(lastError(ERROR_LOCATION), ERROR_LOCATION);
      return false;
   }

   BOOL isMember = FALSE;
   if (!::CheckTokenMembership(linkedToken, administrators, &isMember))
   {
      log::logError(lastError(ERROR_LOCATION), ERROR_LOCATION);
      return false;
   }
   return isMember != FALSE;
}

EnhMetaFile::~EnhMetaFile()
{
   try
   {
      if (hMetaFile_ != nullptr && !::DeleteEnhMetaFile(hMetaFile_))
         log::logError(lastError(ERROR_LOCATION), ERROR_LOCATION);
   }
   catch (...)
   {
   }
}

Error EnhMetaFile::open(const FilePath& path)
{
   hMetaFile_ = ::GetEnhMetaFileW(path.getAbsolutePathW().c_str());
   if (hMetaFile_ == nullptr)
      return lastError(ERROR_LOCATION);
   return Success();
}

Error executablePath(const char* /*argv0*/, FilePath* pExecutablePath)
{
   // A path longer than the buffer comes back cut to it; the buffer then grows.
   std::vector<wchar_t> buffer(MAX_PATH);
   while (true)
   {
      const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
      if (length == 0)
         return lastError(ERROR_LOCATION);
      if (length < buffer.size())
      {
         *pExecutablePath = FilePath(std::wstring(buffer.data(), length));
         return Success();
      }
      constexpr std::size_t kLongestPath = 32768;
      if (buffer.size() >= kLongestPath)
         return systemError(ERROR_INSUFFICIENT_BUFFER, ERROR_LOCATION);
      buffer.resize(buffer.size() * 2);
   }
}

void expandToLongPath(FilePath* pPath)
{
   const std::string shortPath = string_utils::utf8ToSystem(pPath->getAbsolutePath(), false);
   char buffer[521];
   const DWORD length = ::GetLongPathNameA(shortPath.c_str(), buffer, sizeof(buffer));
   if (length == 0 || length >= sizeof(buffer))
      return;
   *pPath = FilePath(string_utils::systemToUtf8(std::string(buffer, length)));
}

std::uint32_t getCurrentProcessId()
{
   return ::GetCurrentProcessId();
}

Error getProcesses(std::vector<ProcessInfo>* pInfo)
{
   HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
   if (snapshot == INVALID_HANDLE_VALUE)
      return lastError(ERROR_LOCATION);
   CloseHandleOnExitScope closeSnapshot(&snapshot, ERROR_LOCATION);

   PROCESSENTRY32 entry = {};
   entry.dwSize = sizeof(entry);
   for (BOOL more = ::Process32First(snapshot, &entry); more; more = ::Process32Next(snapshot, &entry))
   {
      ProcessInfo info;
      info.pid = entry.th32ProcessID;
      info.ppid = entry.th32ParentProcessID;
      pInfo->push_back(info);
   }
   return Success();
}

std::vector<SubprocInfo> getSubprocesses(unsigned long pid)
{
   std::vector<SubprocInfo> children;
   HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
   CloseHandleOnExitScope closeSnapshot(&snapshot, ERROR_LOCATION);
   if (snapshot == INVALID_HANDLE_VALUE)
   {
      log::logError(lastError(ERROR_LOCATION), ERROR_LOCATION);
      return children;
   }

   PROCESSENTRY32 entry = {};
   entry.dwSize = sizeof(entry);
   if (!::Process32First(snapshot, &entry))
   {
      log::logError(lastError(ERROR_LOCATION), ERROR_LOCATION);
      return children;
   }
   do
   {
      if (entry.th32ParentProcessID == pid)
         children.push_back(SubprocInfo{entry.th32ProcessID, entry.szExeFile});
   } while (::Process32Next(snapshot, &entry));
   return children;
}

bool hasHiddenAttribute(const FilePath& path)
{
   return hasHiddenAttribute(path.getAbsolutePath());
}

bool hasHiddenAttribute(const std::string& path)
{
   const DWORD attributes = ::GetFileAttributesA(path.c_str());
   return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
}

bool isProcess64Bit()
{
   return getenv("PROCESSOR_ARCHITECTURE") == "AMD64";
}

bool isStderrTerminal()
{
   return isTerminal(stderr);
}

bool isStdoutTerminal()
{
   return isTerminal(stdout);
}

bool isWindows64Bit()
{
   return !getenv("PROCESSOR_ARCHITEW6432").empty() || isProcess64Bit();
}

Error makeFileHidden(const FilePath& path)
{
   const std::wstring widePath = path.getAbsolutePathW();
   const DWORD attributes = ::GetFileAttributesW(widePath.c_str());
   if (attributes == INVALID_FILE_ATTRIBUTES)
      return lastError(ERROR_LOCATION);
   if (!::SetFileAttributesW(widePath.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN))
      return lastError(ERROR_LOCATION);
   return Success();
}

std::string newUuidText(bool withDashes)
{
   UUID uuid = {};
   const RPC_STATUS created = ::UuidCreate(&uuid);
   if (!isUuidMade(created))
   {
      log::logError(systemError(static_cast<int>(created), ERROR_LOCATION), ERROR_LOCATION);
      return std::string();
   }

   RPC_CSTR text = nullptr;
   const RPC_STATUS converted = ::UuidToStringA(&uuid, &text);
   if (converted != RPC_S_OK || text == nullptr)
   {
      log::logError(systemError(static_cast<int>(converted != RPC_S_OK ? converted : RPC_S_OUT_OF_MEMORY),
                                ERROR_LOCATION),
                    ERROR_LOCATION);
      return std::string();
   }
   std::string uuidText(reinterpret_cast<const char*>(text));
   ::RpcStringFreeA(&text);

   if (!withDashes)
      uuidText.erase(std::remove(uuidText.begin(), uuidText.end(), '-'), uuidText.end());
   return uuidText;
}

Error pathRelativeToExecutable(const std::string& relativePath, const char* argv0, FilePath* pPath)
{
   FilePath executable;
   const Error error = executablePath(argv0, &executable);
   if (error)
      return error;
   const FilePath folder = executable.getParent();
   *pPath = relativePath == ".." ? folder.getParent() : folder.completePath(relativePath);
   return Success();
}

Error realPath(const FilePath& path, FilePath* pRealPath)
{
   const std::wstring widePath = path.getAbsolutePathW();
   std::vector<wchar_t> buffer(512);
   DWORD length = ::GetFullPathNameW(widePath.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
   if (length == 0)
   {
      Error error = lastError(ERROR_LOCATION);
      error.addProperty("path", path);
      return error;
   }
   if (length > buffer.size())
   {
      // The size needed, NUL included; the working directory may change meanwhile.
      buffer.resize(length);
      length = ::GetFullPathNameW(widePath.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
      if (length == 0)
         return lastError(ERROR_LOCATION);
      if (length > buffer.size())
         return systemError(ERROR_BAD_LENGTH, ERROR_LOCATION);
   }
   *pRealPath = FilePath(std::wstring(buffer.data(), length));
   return Success();
}

Error realPath(const std::string& path, FilePath* pRealPath)
{
   return realPath(FilePath(path), pRealPath);
}

FilePath systemSettingsPath(const std::string& appName, bool create)
{
   wchar_t buffer[MAX_PATH] = {};
   const int folder = CSIDL_COMMON_APPDATA | (create ? CSIDL_FLAG_CREATE : 0);
   HRESULT result = ::SHGetFolderPathW(nullptr, folder, nullptr, 0, buffer);
   if (result != S_OK)
   {
      logHresult("Unable to retrieve per machine configuration path. ", result, ERROR_LOCATION);
      return FilePath();
   }
   const FilePath path = FilePath(std::wstring(buffer)).completePath(appName);

   if (create)
   {
      const std::wstring subFolder = withBackslashes(string_utils::utf8ToWide(appName, std::string()));
      wchar_t created[MAX_PATH] = {};
      result = ::SHGetFolderPathAndSubDirW(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0,
                                           subFolder.c_str(), created);
      if (result != S_OK)
      {
         logHresult("Cannot create folder under per machine configuration path. ", result, ERROR_LOCATION);
         return FilePath();
      }
   }
   return path;
}

Error terminateChildProcesses()
{
   std::vector<ProcessInfo> descendants;
   const Error error = getChildProcesses(&descendants);
   if (error)
      return error;

   for (const ProcessInfo& process : descendants)
   {
      HANDLE handle = ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, process.pid);
      if (handle == nullptr)
      {
         log::logError(lastError(ERROR_LOCATION), ERROR_LOCATION);
         continue;
      }
      if (!::TerminateProcess(handle, 1))
         log::logError(lastError(ERROR_LOCATION), ERROR_LOCATION);
      if (!::CloseHandle(handle))
         log::logError(lastError(ERROR_LOCATION), ERROR_LOCATION);
   }
   return Success();
}

Error terminateProcess(std::uint32_t pid)
{
   HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, pid);
   if (process == nullptr)
      return lastError(ERROR_LOCATION);

   Error error;
   if (!::TerminateProcess(process, 1))
      error = lastError(ERROR_LOCATION);
   if (!::CloseHandle(process))
      log::logError(lastError(ERROR_LOCATION), ERROR_LOCATION);
   return error;
}

FilePath userSettingsPath(const FilePath& /*userHomePath*/, const std::string& appName, bool create)
{
   const std::wstring subFolder = withBackslashes(widenBytes(appName));
   wchar_t buffer[MAX_PATH] = {};
   const int folder = CSIDL_LOCAL_APPDATA | (create ? CSIDL_FLAG_CREATE : 0);
   const HRESULT result = ::SHGetFolderPathAndSubDirW(nullptr, folder, nullptr, 0, subFolder.c_str(), buffer);
   if (result != S_OK)
   {
      logHresult("Unable to retrieve user home path. ", result, ERROR_LOCATION);
      return FilePath();
   }
   return FilePath(std::wstring(buffer));
}

} // namespace velorin::core::system
