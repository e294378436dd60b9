// Win32System.hpp: scopes that give back Windows resources on every path out of a
// function, and copying an enhanced metafile to the clipboard.
//
//   HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
//   system::CloseHandleOnExitScope closeSnapshot(&snapshot, ERROR_LOCATION);
#pragma once

#include <boost/noncopyable.hpp>

#include <platform/Win32Api.hpp>
#include <shared_core/Error.hpp>
#include <shared_core/FilePath.hpp>

namespace velorin::core::system {

// Closes the handle unless it is null, and sets the variable to null either way.
Error closeHandle(HANDLE* pHandle, const ErrorLocation& location);

// Closes what the variable holds when the scope ends (nothing for null or
// INVALID_HANDLE_VALUE); a failure is logged.
class CloseHandleOnExitScope : boost::noncopyable
{
public:
   CloseHandleOnExitScope(HANDLE* pHandle, const ErrorLocation& location);
   virtual ~CloseHandleOnExitScope();

private:
   HANDLE* pHandle_;
   ErrorLocation location_;
};

// Holds the clipboard open from open() to the end of the scope.
class ClipboardScope
{
public:
   ClipboardScope() = default;
   ~ClipboardScope();
   ClipboardScope(const ClipboardScope&) = delete;
   ClipboardScope& operator=(const ClipboardScope&) = delete;

   Error open();

private:
   bool opened_ = false;
};

// Owns an enhanced metafile until it is handed over (release) or the scope ends.
class EnhMetaFile
{
public:
   EnhMetaFile() = default;
   ~EnhMetaFile();
   EnhMetaFile(const EnhMetaFile&) = delete;
   EnhMetaFile& operator=(const EnhMetaFile&) = delete;

   Error open(const FilePath& path);

   HENHMETAFILE handle() const { return hMetaFile_; }
   // Forgets the handle, whose new owner deletes it.
   void release() { hMetaFile_ = nullptr; }

private:
   HENHMETAFILE hMetaFile_ = nullptr;
};

// Puts the metafile on the clipboard in place of what it held.
Error copyMetafileToClipboard(const FilePath& path);

} // namespace velorin::core::system
