// WinFile.hpp: opening files with Windows share modes, attributes, copy and move.
//
// Paths are UTF-16 text; '\' and '/' both separate, and trailing separators and final
// "." elements are dropped first, as Windows does, so "dir/link/" names the link
// itself and never the folder it leads to. Share modes hold between every opener of
// a file, in this process and in others, for as long as the handle (or the
// descriptor _open_osfhandle made of it) is open: while a file is open without
// FILE_SHARE_WRITE nobody else may open it for writing, and so on. Deleting and
// renaming an open file are not refused.
#pragma once

#include <cstdint>
#include <string>

#include <platform/win32/WinBase.hpp>

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_APPEND_DATA = 0x4;

constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;

constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;

// Access: GENERIC_READ, GENERIC_WRITE and FILE_APPEND_DATA (writes go to the end).
// Creation: CREATE_NEW, CREATE_ALWAYS (emptied when it exists), OPEN_EXISTING,
// OPEN_ALWAYS; after creating or opening, the last error is 183 when the file existed.
// Fails with 2 (file missing), 3 (folder missing), 5 (denied, or a folder), 32 (the
// share modes of another opener forbid it) or 1920 (neither a file nor a folder: a
// FIFO, a socket or a device, which is never waited for). Security attributes, flags and
// templates are not supported and must be null or 0.
HANDLE CreateFileW(LPCWSTR fileName,
                   DWORD desiredAccess,
                   DWORD shareMode,
                   LPSECURITY_ATTRIBUTES securityAttributes,
                   DWORD creationDisposition,
                   DWORD flagsAndAttributes,
                   HANDLE templateFile);

// A C runtime descriptor that takes over the file handle (the handle is then gone);
// closing the descriptor closes the file and releases its share modes. -1 when the
// handle is not an open file.
int _open_osfhandle(std::intptr_t osfHandle, int flags);

// FILE_ATTRIBUTE_* of the entry; a symbolic link is a reparse point, and also a
// folder when it leads to one. INVALID_FILE_ATTRIBUTES with the last error on failure.
// A hidden entry is one whose name starts with '.' or one made hidden by
// SetFileAttributesW.
DWORD GetFileAttributesW(LPCWSTR fileName);
// The same for a path in the ANSI code page.
DWORD GetFileAttributesA(LPCSTR fileName);

// READONLY clears the write permissions (its absence gives the owner write access);
// HIDDEN, SYSTEM and ARCHIVE are kept with the file.
BOOL SetFileAttributesW(LPCWSTR fileName, DWORD fileAttributes);

// The full path, lexically, as Windows gives it: a relative path is taken from the
// working directory, "." and "name/.." are dropped, a trailing separator stays, links
// are not followed and nothing need exist; '/' separates. A drive with its separator
// ("C:/") is a root, as '/' is; "C:" without one is relative. Returns the length in UTF-16
// units when it fits with its NUL, else the size needed; 0 with 123 for an empty path.
DWORD GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart);

// Linux keeps no 8.3 short names, so an existing path is its own long form; a missing
// one gives 0 with 2 or 3. The size protocol is GetFullPathNameW's, in bytes.
DWORD GetLongPathNameA(LPCSTR shortPath, LPSTR longPath, DWORD bufferLength);

// Copies contents, permissions and the last write time. The source is opened for
// shared reading, so a file open for writing gives 32; with failIfExists an
// existing target gives 80. Both are opened as by CreateFileW, so only files are
// copied.
BOOL CopyFileW(LPCWSTR existingFileName, LPCWSTR newFileName, BOOL failIfExists);

// Renames. MOVEFILE_REPLACE_EXISTING replaces a target file (never a folder: 5), also
// one that is another name of the same file, which then keeps only the target name;
// without it an existing target gives 183. A move onto its own entry does nothing.
// MOVEFILE_COPY_ALLOWED carries a file to another volume by copy and delete; a folder
// cannot cross volumes (17).
BOOL MoveFileExW(LPCWSTR existingFileName, LPCWSTR newFileName, DWORD flags);

namespace velorin::platform {

// Whether the path names a folder or a link, the entries a trailing separator may
// follow.
bool isFolderOrLinkEntry(const std::wstring& path);

// The Win32 number for an operating-system error of a folder creation: an entry that
// stands in the way is 183, as CreateDirectoryW gives it, not the 80 of a file create.
DWORD win32ErrorFromNativeForCreateDirectory(int nativeError);

// The Win32 number for an operating-system error on a path. A missing entry is "file
// not found" only when its folder exists; otherwise "path not found", as on Windows.
DWORD win32ErrorFromNativeForPath(int nativeError, const std::string& path);

// As win32ErrorFromNativeForPath, for a change of working directory: a path that names
// a file is 267, as SetCurrentDirectoryW gives it.
DWORD win32ErrorFromNativeForSetCurrentDirectory(int nativeError, const std::string& path);

} // namespace velorin::platform
