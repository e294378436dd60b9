// PathSupport.hpp: what the path type's sources share, kept out of the public header:
// the value's block, the text conversions and the error helpers.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include <boost/filesystem/path.hpp>
#include <boost/system/error_code.hpp>

#include <platform/Win32Api.hpp>

#include <shared_core/Error.hpp>
#include <shared_core/FilePath.hpp>

namespace velorin::core {
namespace detail {

// "~" stands for the user's home path; "~/" starts a path below it.
constexpr const char* kHomeAlias = "~";
constexpr const char* kHomePathAlias = "~/";

inline bool isOperatingSystemError(const boost::system::error_code& ec)
{
   return ec.category() == boost::system::system_category() || ec.category() == boost::system::generic_category();
}

// Boost reports operating-system codes; callers see Win32 numbers, as Boost gives
// them on Windows, read as the failed call numbers them. Codes of other categories
// pass unchanged.
inline boost::system::error_code win32ErrorCode(const boost::system::error_code& ec,
                                                DWORD (*toWin32)(int) = platform::win32ErrorFromNative)
{
   if (!isOperatingSystemError(ec))
      return ec;
   return boost::system::error_code(static_cast<int>(toWin32(ec.value())), platform::systemCategory());
}

// ----- Path text (FilePathText.cpp) ---------------------------------------------

// What construction needs to know of a text before storing it.
struct TextScan
{
   // Plain ASCII needs no decoding, and the converter would give the same text for it;
   // NUL and everything from 0x80 on go to the converter.
   bool plainAscii = true;
   bool hasBackslash = false;
};

// Both answers in one pass. When out is given, the text is also copied there unit by
// unit; what out holds is of no use when the text is not plain ASCII.
TextScan scanText(const std::string& text, wchar_t* out = nullptr);
bool isPlainAscii(std::wstring_view wide);
// Plain ASCII without '\\': the generic form is then the text unit by unit.
bool isGenericAscii(std::wstring_view wide);

// Path text converts through the layer, which keeps the bytes of a name that is not
// UTF-8, so that a listed name reaches its own entry. Text is read up to a NUL; a
// failed conversion is logged and gives the empty text.
std::wstring toWide(const std::string& text);
// generic: '\\' becomes '/'.
std::string toUtf8(std::wstring_view wide, bool generic);
std::string toGenericUtf8(std::wstring_view wide);

// What the file system is handed: the entry Windows would act on, never the inside
// of a folder or link that a trailing separator or final "." leads into.
std::wstring win32Text(const FilePath& path);
// The generic form, through the layer. A path the system cannot name reaches nothing:
// Boost sees the empty path, never the entry whose name is the replacement character.
boost::filesystem::path fsPath(const FilePath& path);

// ----- Errors (FilePathErrors.cpp) ----------------------------------------------

Error lastSystemError(const ErrorLocation& location);
// An error from the path library carries the Win32 number of its operating-system code.
Error filesystemError(const boost::system::error_code& ec,
                      const ErrorLocation& location,
                      DWORD (*toWin32)(int) = platform::win32ErrorFromNative);
// As above, numbered as a call on the path would number it, with "path".
Error filesystemError(const boost::system::error_code& ec,
                      const FilePath& path,
                      const ErrorLocation& location,
                      DWORD (*toWin32)(int, const std::string&) = platform::win32ErrorFromNativeForPath);
Error systemErrorWithPath(int code, const std::string& path, const ErrorLocation& location);
// A system error that stands for the portable condition.
bool isEquivalent(const Error& error, boost::system::errc::errc_t condition);

// ----- The value's block --------------------------------------------------------

// Allocates a shared Impl's block with room for the path's text after it, so that a
// path costs one allocation; the room's address goes to *tail, where the Impl being
// made reads it. Only the allocating copy writes there.
template <typename T>
class AllocatorWithTail
{
public:
   using value_type = T;

   AllocatorWithTail(std::size_t tailBytes, wchar_t** tail) : tailBytes_(tailBytes), tail_(tail) {}
   template <typename U>
   AllocatorWithTail(const AllocatorWithTail<U>& other) : tailBytes_(other.tailBytes_), tail_(other.tail_)
   {
   }

   T* allocate(std::size_t count)
   {
      // The block's size is a multiple of its alignment, which is at least a pointer's.
      const std::size_t headBytes = count * sizeof(T);
      char* block = static_cast<char*>(::operator new(headBytes + tailBytes_));
      *tail_ = reinterpret_cast<wchar_t*>(block + headBytes);
      return reinterpret_cast<T*>(block);
   }

   void deallocate(T* pointer, std::size_t) { ::operator delete(pointer); }

   template <typename U>
   bool operator==(const AllocatorWithTail<U>& other) const
   {
      return tailBytes_ == other.tailBytes_;
   }
   template <typename U>
   bool operator!=(const AllocatorWithTail<U>& other) const
   {
      return !(*this == other);
   }

private:
   template <typename U>
   friend class AllocatorWithTail;

   std::size_t tailBytes_;
   wchar_t** tail_;
};

} // namespace detail

struct FilePath::Impl
{
   // An Impl whose text, size units long, fill writes into the room made for it; fill
   // gives whether the text is plain ASCII without '\\'.
   template <typename Fill>
   static std::shared_ptr<Impl> make(std::size_t size, Fill fill)
   {
      wchar_t* tail = nullptr;
      return std::allocate_shared<Impl>(
         detail::AllocatorWithTail<Impl>(size * sizeof(wchar_t), &tail), tail, size, fill);
   }

   static std::shared_ptr<Impl> make(std::wstring_view text, bool genericAscii)
   {
      return make(text.size(), [&](wchar_t* out) {
         std::copy(text.begin(), text.end(), out);
         return genericAscii;
      });
   }

   template <typename Fill>
   Impl(wchar_t* const& tail, std::size_t size, Fill& fill) : text(tail, size), genericAscii(fill(tail))
   {
   }

   const std::wstring_view text;
   // Plain ASCII without '\\': the generic form is then the text unit by unit.
   const bool genericAscii;
};

} // namespace velorin::core
