// WinFile.cpp: CreateFileW with Windows share modes, attributes, copy and move, over
// POSIX files.
//
// Share modes are kept with open-file-description locks, which conflict between any
// two descriptions (in this process or another) and vanish with the last descriptor,
// even when the process dies. Each file has 1-byte slots far beyond any data: an
// opener holds a read lock on USE_x for each right x it uses and on DENY_x for each
// right it does not share. An opener first takes its own locks, then looks for a
// conflicting lock of another opener (DENY_x for a right it uses, USE_x for a right
// it denies); on a conflict it lets its locks go and fails with 32. Taking before
// looking means two openers that race can never both succeed.
#include <platform/win32/WinFile.hpp>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <cwchar>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <platform/Win32PathMeaning.hpp>
#include <platform/win32/WinText.hpp>

#include "FailureHook.hpp"

namespace {

constexpr off_t kSlotBase = off_t(1) << 62;

enum Slot : off_t
{
   UseRead = 0,
   UseWrite = 1,
   DenyRead = 2,
   DenyWrite = 3
};

// Closes a descriptor unless it was handed on.
class DescriptorGuard
{
public:
   explicit DescriptorGuard(int fd) : fd_(fd) {}
   DescriptorGuard(const DescriptorGuard&) = delete;
   DescriptorGuard& operator=(const DescriptorGuard&) = delete;
   ~DescriptorGuard()
   {
      if (fd_ >= 0)
         ::close(fd_);
   }
   int release()
   {
      const int fd = fd_;
      fd_ = -1;
      return fd;
   }

private:
   int fd_;
};

class FileHandle final : public velorin::platform::HandleObject
{
public:
   explicit FileHandle(int fd) : descriptor_(fd) {}

   int release() { return descriptor_.release(); }

private:
   DescriptorGuard descriptor_;
};

// UTF-16 path text as a POSIX path: its bytes, with '/' separators, naming the entry
// Windows would act on.
std::string toNativePath(LPCWSTR path)
{
   if (path == nullptr || *path == L'\0')
      return std::string();
   const std::wstring meant = velorin::platform::win32PathMeaning(std::wstring_view(path));
   std::string text = velorin::platform::bytesFromWidePath(meant.data(), meant.size());
   for (char& c : text)
   {
      if (c == '\\')
         c = '/';
   }
   return text;
}

// A path of the narrow calls, in the ANSI code page, as toNativePath gives it.
std::string toNativePathFromAnsi(LPCSTR path)
{
   return toNativePath(velorin::platform::utf16FromUtf8(velorin::platform::utf8FromAnsi(path)).c_str());
}

bool endsInSeparator(LPCWSTR path)
{
   const std::size_t length = path == nullptr ? 0 : std::wcslen(path);
   return length > 0 && (path[length - 1] == L'/' || path[length - 1] == L'\\');
}

// An entry that exists and is neither a folder nor a link.
bool isPlainFile(const std::string& path)
{
   struct stat status;
   return !path.empty() && ::lstat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode) &&
          !S_ISLNK(status.st_mode);
}

// An entry that exists and is a folder or a link.
bool isFolderOrLink(const std::string& path)
{
   struct stat status;
   return !path.empty() && ::lstat(path.c_str(), &status) == 0 && (S_ISDIR(status.st_mode) || S_ISLNK(status.st_mode));
}

// The last error of an lstat of a native path that failed, or of an empty one.
DWORD lstatError(const std::string& path)
{
   return path.empty() ? ERROR_PATH_NOT_FOUND : velorin::platform::win32ErrorFromNativeForPath(errno, path);
}

bool isFolder(const std::string& path)
{
   struct stat status;
   return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string parentOf(const std::string& path)
{
   std::size_t end = path.size();
   while (end > 1 && path[end - 1] == '/')
      --end;
   const std::size_t slash = path.rfind('/', end - 1);
   if (slash == std::string::npos)
      return ".";
   return slash == 0 ? "/" : path.substr(0, slash);
}

// The last name of a native path, which has no trailing separator.
std::string nameOf(const std::string& path)
{
   return path.substr(path.rfind('/') + 1); // npos + 1 == 0: a bare name
}

// One directory entry: the same name in the same folder, however each path reaches it.
bool sameEntry(const std::string& a, const std::string& b)
{
   if (nameOf(a) != nameOf(b))
      return false;
   struct stat folderA;
   struct stat folderB;
   return ::stat(parentOf(a).c_str(), &folderA) == 0 && ::stat(parentOf(b).c_str(), &folderB) == 0 &&
          folderA.st_dev == folderB.st_dev && folderA.st_ino == folderB.st_ino;
}

bool lockSlot(int fd, short type, Slot slot)
{
   struct flock lock = {};
   lock.l_type = type;
   lock.l_whence = SEEK_SET;
   lock.l_start = kSlotBase + slot;
   lock.l_len = 1;
   return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

bool heldByOther(int fd, Slot slot)
{
   struct flock lock = {};
   lock.l_type = F_WRLCK;
   lock.l_whence = SEEK_SET;
   lock.l_start = kSlotBase + slot;
   lock.l_len = 1;
   if (::fcntl(fd, F_OFD_GETLK, &lock) != 0)
      return false;
   return lock.l_type != F_UNLCK;
}

struct Rights
{
   bool read;
   bool write;
};

bool conflicts(int fd, Rights used, Rights denied)
{
   return (used.read && heldByOther(fd, DenyRead)) || (used.write && heldByOther(fd, DenyWrite)) ||
          (denied.read && heldByOther(fd, UseRead)) || (denied.write && heldByOther(fd, UseWrite));
}

void setLocks(int fd, short type, Rights used, Rights denied)
{
   if (used.read)
      lockSlot(fd, type, UseRead);
   if (used.write)
      lockSlot(fd, type, UseWrite);
   if (denied.read)
      lockSlot(fd, type, DenyRead);
   if (denied.write)
      lockSlot(fd, type, DenyWrite);
}

// Openers of this process take turns, so threads never make each other fail
// spuriously; openers in other processes are handled by backing off.
std::mutex s_shareMutex;

// ERROR_SUCCESS once the opener holds its share locks, else 32.
DWORD acquireShareLocks(int fd, bool canHoldLocks, Rights used, Rights denied)
{
   std::lock_guard<std::mutex> lock(s_shareMutex);
   for (int attempt = 0; attempt < 3; ++attempt)
   {
      if (canHoldLocks)
         setLocks(fd, F_RDLCK, used, denied);
      if (!conflicts(fd, used, denied))
         return ERROR_SUCCESS;
      if (!canHoldLocks)
         return ERROR_SHARING_VIOLATION;
      setLocks(fd, F_UNLCK, used, denied);
      // Another process that raced with us backs off just as we did; one that holds
      // the file keeps its locks.
      if (conflicts(fd, used, denied))
      {
         std::this_thread::sleep_for(std::chrono::microseconds(300));
         if (conflicts(fd, used, denied))
            return ERROR_SHARING_VIOLATION;
      }
   }
   return ERROR_SHARING_VIOLATION;
}

// Windows opens only disk files and folders by path. An entry of another kind (a FIFO,
// a socket, a device) stands where Windows keeps a reparse point that no file system
// filter handles, as for the FIFOs and sockets that Linux tools leave on an NTFS volume:
// CreateFileW gives 1920 there. It is an entry that exists, so neither 2 nor 3 fits,
// and it is no matter of permissions, which 5 would suggest.
constexpr DWORD kNotADiskFile = ERROR_CANT_ACCESS_FILE;

// What an open that never waits tells beyond the table: a FIFO without a reader or a
// socket gives ENXIO, a file under another process's lease EWOULDBLOCK.
DWORD win32ErrorFromOpen(int nativeError, const std::string& path)
{
   if (nativeError == ENXIO)
      return kNotADiskFile;
   if (nativeError == EWOULDBLOCK)
      return ERROR_SHARING_VIOLATION;
   return velorin::platform::win32ErrorFromNativeForPath(nativeError, path);
}

// Only a regular file is opened; a folder gives 5, as on Windows. The descriptor was
// opened without waiting, so that a FIFO could not hold the caller; a file is read and
// written with blocking calls again.
DWORD admitOpenedEntry(int fd)
{
   struct stat status;
   if (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode))
      return ERROR_ACCESS_DENIED;
   if (!S_ISREG(status.st_mode))
      return kNotADiskFile;
   const int flags = ::fcntl(fd, F_GETFL);
   if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
      return velorin::platform::win32ErrorFromErrno(errno);
   return ERROR_SUCCESS;
}

struct OpenResult
{
   int fd = -1;
   DWORD error = ERROR_SUCCESS;
   bool existed = false;
};

OpenResult openWithSharing(const std::string& path, DWORD access, DWORD shareMode, DWORD disposition)
{
   OpenResult result;
   if (path.empty())
   {
      result.error = ERROR_PATH_NOT_FOUND;
      return result;
   }
   const Rights used{(access & GENERIC_READ) != 0, (access & (GENERIC_WRITE | FILE_APPEND_DATA)) != 0};
   const Rights denied{(shareMode & FILE_SHARE_READ) == 0, (shareMode & FILE_SHARE_WRITE) == 0};
   if ((!used.read && !used.write) || disposition < CREATE_NEW || disposition > OPEN_ALWAYS)
   {
      result.error = ERROR_INVALID_PARAMETER;
      return result;
   }

   int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
   if ((access & FILE_APPEND_DATA) != 0 && (access & GENERIC_WRITE) == 0)
      flags |= O_APPEND;
   // A writer opens for reading too where it may, so that it can hold read locks.
   bool canHoldLocks = true;
   int accessFlags = used.write ? O_RDWR : O_RDONLY;

   int fd = -1;
   for (int attempt = 0;; ++attempt)
   {
      // Open first without creating, so that we know whether the file existed.
      const bool create = disposition != OPEN_EXISTING;
      const bool mustCreate = disposition == CREATE_NEW;
      if (!mustCreate)
      {
         fd = ::open(path.c_str(), flags | accessFlags);
         if (fd < 0 && errno == EACCES && used.write && !used.read && accessFlags == O_RDWR)
         {
            accessFlags = O_WRONLY;
            canHoldLocks = false;
            continue;
         }
         if (fd >= 0)
         {
            result.existed = true;
            break;
         }
         if (errno != ENOENT || !create)
         {
            result.error = win32ErrorFromOpen(errno, path);
            return result;
         }
      }
      // A link to a missing file exists but cannot be opened: create its target, once
      // the exclusive creation has failed more than a racing creator would explain.
      const int exclusive = mustCreate || attempt < 2 ? O_EXCL : 0;
      fd = ::open(path.c_str(), flags | accessFlags | O_CREAT | exclusive, 0666);
      if (fd >= 0)
         break;
      if (errno == EEXIST && !mustCreate)
         continue; // created by someone else meanwhile: open it as existing
      result.error = errno == EEXIST ? ERROR_FILE_EXISTS : win32ErrorFromOpen(errno, path);
      return result;
   }
   DescriptorGuard guard(fd);

   result.error = admitOpenedEntry(fd);
   if (result.error != ERROR_SUCCESS)
      return result;

   result.error = acquireShareLocks(fd, canHoldLocks, used, denied);
   if (result.error != ERROR_SUCCESS)
      return result;

   // Only now may an existing file be emptied: its other openers allowed it.
   if (disposition == CREATE_ALWAYS && result.existed && ::ftruncate(fd, 0) != 0)
   {
      result.error = velorin::platform::win32ErrorFromErrno(errno);
      return result;
   }
   result.fd = guard.release();
   return result;
}

bool writeAll(int fd, const char* data, std::size_t size)
{
   while (size > 0)
   {
      const ssize_t written = ::write(fd, data, size);
      if (written < 0)
      {
         if (errno == EINTR)
            continue;
         return false;
      }
      data += written;
      size -= static_cast<std::size_t>(written);
   }
   return true;
}

// Copies the bytes, permissions and times of an open file into another.
DWORD copyContents(int from, int to)
{
   std::vector<char> buffer(1 << 16);
   while (true)
   {
      const ssize_t count = ::read(from, buffer.data(), buffer.size());
      if (count == 0)
         break;
      if (count < 0)
      {
         if (errno == EINTR)
            continue;
         return velorin::platform::win32ErrorFromErrno(errno);
      }
      if (!writeAll(to, buffer.data(), static_cast<std::size_t>(count)))
         return velorin::platform::win32ErrorFromErrno(errno);
   }
   struct stat status;
   if (::fstat(from, &status) == 0)
   {
      ::fchmod(to, status.st_mode & 07777);
      const struct timespec times[2] = {status.st_atim, status.st_mtim};
      ::futimens(to, times);
   }
   return ERROR_SUCCESS;
}

DWORD copyFile(const std::string& from, const std::string& to, bool failIfExists)
{
   OpenResult source = openWithSharing(from, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
   if (source.error != ERROR_SUCCESS)
      return source.error;
   DescriptorGuard sourceGuard(source.fd);

   OpenResult target =
      openWithSharing(to, GENERIC_WRITE, 0, failIfExists ? CREATE_NEW : CREATE_ALWAYS);
   if (target.error != ERROR_SUCCESS)
      return target.error;
   DescriptorGuard targetGuard(target.fd);

   const DWORD error = copyContents(source.fd, target.fd);
   if (error != ERROR_SUCCESS && !target.existed)
      ::unlink(to.c_str());
   return error;
}

BOOL fail(DWORD error)
{
   SetLastError(error);
   return FALSE;
}

// Attributes Linux has no room for are kept in an extended attribute, or for the
// life of the process where the file system takes none.
constexpr const char* kAttributesName = "user.win32.attributes";
constexpr DWORD kStoredAttributes = FILE_ATTRIBUTE_HIDDEN | 0x4 /* SYSTEM */ | 0x20 /* ARCHIVE */;
std::mutex s_storedAttributesMutex;
std::map<std::pair<dev_t, ino_t>, DWORD> s_storedAttributes;

DWORD storedAttributes(const std::string& path, const struct stat& status)
{
   DWORD stored = 0;
   if (::lgetxattr(path.c_str(), kAttributesName, &stored, sizeof(stored)) == sizeof(stored))
      return stored & kStoredAttributes;
   std::lock_guard<std::mutex> lock(s_storedAttributesMutex);
   const auto found = s_storedAttributes.find({status.st_dev, status.st_ino});
   return found == s_storedAttributes.end() ? 0 : found->second;
}

DWORD attributesOf(const std::string& path)
{
   struct stat status;
   if (path.empty() || ::lstat(path.c_str(), &status) != 0)
   {
      SetLastError(lstatError(path));
      return INVALID_FILE_ATTRIBUTES;
   }

   DWORD attributes = storedAttributes(path, status);
   if (S_ISLNK(status.st_mode))
   {
      attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
      if (isFolder(path))
         attributes |= FILE_ATTRIBUTE_DIRECTORY;
   }
   else if (S_ISDIR(status.st_mode))
   {
      attributes |= FILE_ATTRIBUTE_DIRECTORY;
   }
   if ((status.st_mode & S_IWUSR) == 0)
      attributes |= FILE_ATTRIBUTE_READONLY;

   const std::string name = nameOf(path);
   if (name.size() > 1 && name[0] == '.' && name != "..")
      attributes |= FILE_ATTRIBUTE_HIDDEN;

   return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

// A file followed by a separator is a path whose folder is missing, as Windows says.
DWORD attributesOfPath(LPCWSTR fileName)
{
   const std::string path = toNativePath(fileName);
   if (endsInSeparator(fileName) && isPlainFile(path))
   {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return INVALID_FILE_ATTRIBUTES;
   }
   return attributesOf(path);
}

} // namespace

BOOL CopyFileW(LPCWSTR existingFileName, LPCWSTR newFileName, BOOL failIfExists)
{
   if (velorin::platform::consumeArmedFailure("CopyFileW"))
      return FALSE;
   const std::string from = toNativePath(existingFileName);
   const std::string to = toNativePath(newFileName);
   // No file is named as a folder; a folder is refused as a source of its own.
   if ((endsInSeparator(existingFileName) && !isFolderOrLink(from)) ||
       (endsInSeparator(newFileName) && !isFolderOrLink(to) && !isFolder(from)))
      return fail(ERROR_INVALID_NAME);
   const DWORD error = copyFile(from, to, failIfExists != FALSE);
   if (error != ERROR_SUCCESS)
      return fail(error);
   SetLastError(ERROR_SUCCESS);
   return TRUE;
}

HANDLE CreateFileW(LPCWSTR fileName,
                   DWORD desiredAccess,
                   DWORD shareMode,
                   LPSECURITY_ATTRIBUTES securityAttributes,
                   DWORD creationDisposition,
                   DWORD flagsAndAttributes,
                   HANDLE templateFile)
{
   if (velorin::platform::consumeArmedFailure("CreateFileW"))
      return INVALID_HANDLE_VALUE;
   if (securityAttributes != nullptr || flagsAndAttributes != 0 || templateFile != nullptr)
   {
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
   }
   const std::string path = toNativePath(fileName);
   // A trailing separator asks for a folder: Windows opens or makes no file by it.
   if (endsInSeparator(fileName) && !isFolderOrLink(path))
   {
      SetLastError(ERROR_INVALID_NAME);
      return INVALID_HANDLE_VALUE;
   }
   const OpenResult opened = openWithSharing(path, desiredAccess, shareMode, creationDisposition);
   if (opened.error != ERROR_SUCCESS)
   {
      SetLastError(opened.error);
      return INVALID_HANDLE_VALUE;
   }
   HANDLE handle = velorin::platform::addHandle(std::make_unique<FileHandle>(opened.fd));
   const bool reportsExisting = creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS;
   SetLastError(reportsExisting && opened.existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
   return handle;
}

DWORD GetFileAttributesA(LPCSTR fileName)
{
   if (velorin::platform::consumeArmedFailure("GetFileAttributesA"))
      return INVALID_FILE_ATTRIBUTES;
   if (fileName == nullptr)
   {
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_FILE_ATTRIBUTES;
   }
   return attributesOfPath(velorin::platform::utf16FromUtf8(velorin::platform::utf8FromAnsi(fileName)).c_str());
}

DWORD GetFileAttributesW(LPCWSTR fileName)
{
   if (velorin::platform::consumeArmedFailure("GetFileAttributesW"))
      return INVALID_FILE_ATTRIBUTES;
   return attributesOfPath(fileName);
}

DWORD GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart)
{
   if (velorin::platform::consumeArmedFailure("GetFullPathNameW"))
      return 0;
   if (fileName == nullptr || *fileName == L'\0')
      return fail(ERROR_INVALID_NAME);
   std::string path = velorin::platform::utf8FromUtf16(fileName, std::wcslen(fileName));
   std::replace(path.begin(), path.end(), '\\', '/');
   // A drive and the separator after it are a root, which ".." never climbs above;
   // "C:" alone or "C:name" is relative to the drive's working directory, which is
   // the process's own here.
   std::string root;
   const bool driveRoot = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                          path[2] == '/';
   if (driveRoot)
   {
      root = path.substr(0, 2);
      path.erase(0, 2);
   }
   else if (path[0] != '/')
   {
      std::vector<char> folder(4096);
      while (::getcwd(folder.data(), folder.size()) == nullptr)
      {
         if (errno != ERANGE)
            return fail(velorin::platform::win32ErrorFromErrno(errno));
         folder.resize(folder.size() * 2);
      }
      path = std::string(folder.data()) + "/" + path;
   }

   // Lexically, as Windows does: links are not followed and nothing need exist.
   const bool trailingSeparator = path.back() == '/';
   std::vector<std::string> names;
   for (std::size_t start = 0; start <= path.size();)
   {
      std::size_t slash = path.find('/', start);
      if (slash == std::string::npos)
         slash = path.size();
      const std::string name = path.substr(start, slash - start);
      if (name == "..")
      {
         if (!names.empty())
            names.pop_back();
      }
      else if (!name.empty() && name != ".")
      {
         names.push_back(name);
      }
      start = slash + 1;
   }
   std::string full = root;
   for (const std::string& name : names)
      full += "/" + name;
   if (names.empty() || (trailingSeparator && full.back() != '/'))
      full += "/";

   const std::wstring wide = velorin::platform::utf16FromUtf8(full);
   if (wide.size() >= bufferLength || buffer == nullptr)
      return static_cast<DWORD>(wide.size() + 1);
   std::memcpy(buffer, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
   if (filePart != nullptr)
   {
      const std::size_t slash = wide.rfind(L'/');
      *filePart = slash + 1 < wide.size() ? buffer + slash + 1 : nullptr;
   }
   return static_cast<DWORD>(wide.size());
}

DWORD GetLongPathNameA(LPCSTR shortPath, LPSTR longPath, DWORD bufferLength)
{
   if (velorin::platform::consumeArmedFailure("GetLongPathNameA"))
      return 0;
   if (shortPath == nullptr)
      return fail(ERROR_INVALID_PARAMETER);
   const std::string path = toNativePathFromAnsi(shortPath);
   struct stat status;
   if (path.empty() || ::lstat(path.c_str(), &status) != 0)
      return fail(lstatError(path));

   // There are no short names: every existing path is its own long form.
   const std::size_t length = std::strlen(shortPath);
   if (length >= bufferLength || longPath == nullptr)
      return static_cast<DWORD>(length + 1);
   std::memcpy(longPath, shortPath, length + 1);
   return static_cast<DWORD>(length);
}

BOOL MoveFileExW(LPCWSTR existingFileName, LPCWSTR newFileName, DWORD flags)
{
   if (velorin::platform::consumeArmedFailure("MoveFileExW"))
      return FALSE;
   const std::string from = toNativePath(existingFileName);
   const std::string to = toNativePath(newFileName);
   struct stat source;
   if (from.empty() || ::lstat(from.c_str(), &source) != 0)
      return fail(lstatError(from));
   // A file is not named as a folder, neither where it stands nor where it goes.
   const bool sourceIsFile = !S_ISDIR(source.st_mode) && !S_ISLNK(source.st_mode);
   if (sourceIsFile && (endsInSeparator(existingFileName) || endsInSeparator(newFileName)))
      return fail(ERROR_INVALID_NAME);
   if (to.empty())
      return fail(ERROR_PATH_NOT_FOUND);

   // A folder never crosses volumes, whatever stands at the target.
   struct stat targetVolume;
   const bool targetVolumeKnown = ::stat(to.c_str(), &targetVolume) == 0 || ::stat(parentOf(to).c_str(), &targetVolume) == 0;
   if (S_ISDIR(source.st_mode) && targetVolumeKnown && targetVolume.st_dev != source.st_dev)
      return fail(ERROR_NOT_SAME_DEVICE);

   struct stat target;
   if (::lstat(to.c_str(), &target) == 0)
   {
      const bool sameFile = source.st_dev == target.st_dev && source.st_ino == target.st_ino;
      if (sameFile && sameEntry(from, to))
      {
         SetLastError(ERROR_SUCCESS);
         return TRUE;
      }
      if ((flags & MOVEFILE_REPLACE_EXISTING) == 0)
         return fail(ERROR_ALREADY_EXISTS);
      // Windows replaces files only, and never with a folder.
      if (S_ISDIR(target.st_mode) || S_ISDIR(source.st_mode))
         return fail(ERROR_ACCESS_DENIED);
      // Replacing another link of the same file leaves the file under the target name
      // alone; rename would leave both names.
      if (sameFile)
      {
         if (::unlink(from.c_str()) != 0)
            return fail(velorin::platform::win32ErrorFromNativeForPath(errno, from));
         SetLastError(ERROR_SUCCESS);
         return TRUE;
      }
   }

   if (::rename(from.c_str(), to.c_str()) == 0)
   {
      SetLastError(ERROR_SUCCESS);
      return TRUE;
   }
   if (errno != EXDEV)
      return fail(velorin::platform::win32ErrorFromNativeForPath(errno, errno == ENOENT ? to : from));
   if ((flags & MOVEFILE_COPY_ALLOWED) == 0 || S_ISDIR(source.st_mode))
      return fail(ERROR_NOT_SAME_DEVICE);

   const DWORD error = copyFile(from, to, false);
   if (error != ERROR_SUCCESS)
      return fail(error);
   if (::unlink(from.c_str()) != 0)
      return fail(velorin::platform::win32ErrorFromErrno(errno));
   SetLastError(ERROR_SUCCESS);
   return TRUE;
}

BOOL SetFileAttributesW(LPCWSTR fileName, DWORD fileAttributes)
{
   if (velorin::platform::consumeArmedFailure("SetFileAttributesW"))
      return FALSE;
   const std::string path = toNativePath(fileName);
   struct stat status;
   if (path.empty() || ::lstat(path.c_str(), &status) != 0)
      return fail(lstatError(path));

   if (!S_ISLNK(status.st_mode))
   {
      const mode_t writable = (fileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? status.st_mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)
                                                                              : status.st_mode | S_IWUSR;
      if ((writable & 07777) != (status.st_mode & 07777) && ::chmod(path.c_str(), writable & 07777) != 0)
         return fail(velorin::platform::win32ErrorFromErrno(errno));
   }
   const DWORD stored = fileAttributes & kStoredAttributes;
   if (::lsetxattr(path.c_str(), kAttributesName, &stored, sizeof(stored), 0) != 0)
   {
      if (errno != ENOTSUP && errno != EPERM)
         return fail(velorin::platform::win32ErrorFromErrno(errno));
      std::lock_guard<std::mutex> lock(s_storedAttributesMutex);
      s_storedAttributes[{status.st_dev, status.st_ino}] = stored;
   }
   return TRUE;
}

int _open_osfhandle(std::intptr_t osfHandle, int /*flags*/)
{
   std::unique_ptr<FileHandle> file = velorin::platform::takeHandle<FileHandle>(reinterpret_cast<HANDLE>(osfHandle));
   if (!file)
   {
      errno = EBADF;
      return -1;
   }
   return file->release();
}

namespace velorin::platform {

bool isFolderOrLinkEntry(const std::wstring& path)
{
   return isFolderOrLink(toNativePath(path.c_str()));
}

DWORD win32ErrorFromNativeForCreateDirectory(int nativeError)
{
   return nativeError == EEXIST ? ERROR_ALREADY_EXISTS : win32ErrorFromErrno(nativeError);
}

DWORD win32ErrorFromNativeForPath(int nativeError, const std::string& path)
{
   if (nativeError == ENOENT && !isFolder(parentOf(path)))
      return ERROR_PATH_NOT_FOUND;
   return win32ErrorFromErrno(nativeError);
}

DWORD win32ErrorFromNativeForSetCurrentDirectory(int nativeError, const std::string& path)
{
   // Only a file named by the path itself; a file further up leaves the path unfound.
   struct stat status;
   if (nativeError == ENOTDIR && ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode))
      return ERROR_DIRECTORY;
   return win32ErrorFromNativeForPath(nativeError, path);
}

} // namespace velorin::platform
