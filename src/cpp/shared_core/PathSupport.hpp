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

// Both answers in one pass. When out is given, the text's bytes are also copied there;
// what out holds is of no use when the text is not plain ASCII.
TextScan scanText(const std::string& text, char* out = nullptr);
bool isPlainAscii(std::wstring_view wide);

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

   AllocatorWithTail(std::size_t tailBytes, void** tail) : tailBytes_(tailBytes), tail_(tail) {}
   template <typename U>
   AllocatorWithTail(const AllocatorWithTail<U>& other) : tailBytes_(other.tailBytes_), tail_(other.tail_)
   {
   }

   T* allocate(std::size_t count)
   {
      // The block's size is a multiple of its alignment, which is at least a pointer's.
      const std::size_t headBytes = count * sizeof(T);
      char* block = static_cast<char*>(::operator new(headBytes + tailBytes_));
      *tail_ = block + headBytes;
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
   void** tail_;
};

} // namespace detail

// The stored text is held as bytes when every unit is plain ASCII, which widens unit
// for unit to the text itself, and as wide units otherwise: most paths are ASCII, and a
// byte a unit keeps their blocks as small as the text.
struct FilePath::Impl
{
   // An Impl whose text, size units of type Unit (char: narrow), fill writes into the
   // room made for it; fill gives whether the text is plain ASCII without '\\'.
   template <typename Unit, typename Fill>
   static std::shared_ptr<Impl> make(std::size_t size, Fill fill)
   {
      void* tail = nullptr;
      return std::allocate_shared<Impl>(
         detail::AllocatorWithTail<Impl>(size * sizeof(Unit), &tail), static_cast<Unit*>(nullptr), tail, size, fill);
   }

   // Narrow when the text is plain ASCII.
   static std::shared_ptr<Impl> make(std::wstring_view text)
   {
      if (!detail::isPlainAscii(text))
      {
         return make<wchar_t>(text.size(), [&](wchar_t* out) {
            std::copy(text.begin(), text.end(), out);
            return false;
         });
      }
      return make<char>(text.size(), [&](char* out) {
         std::copy(text.begin(), text.end(), out);
         return text.find(L'\\') == std::wstring_view::npos;
      });
   }

   // The block of a path a member computed, in generic form; narrow text is plain ASCII.
   static std::shared_ptr<Impl> makeGeneric(std::string_view text);
   static std::shared_ptr<Impl> makeGeneric(std::wstring_view text);

   template <typename Unit, typename Fill>
   Impl(Unit*, void* const& tail, std::size_t size, Fill& fill) :
      data(tail), size(size), narrow(sizeof(Unit) == 1), genericAscii(fill(static_cast<Unit*>(tail)))
   {
   }

   std::string_view narrowText() const { return std::string_view(static_cast<const char*>(data), size); }
   std::wstring_view wideText() const { return std::wstring_view(static_cast<const wchar_t*>(data), size); }

   // Calls use with the text as wide units, widened into room of its own when narrow;
   // the view lasts only as long as the call.
   template <typename Use>
   decltype(auto) withWideText(Use&& use) const
   {
      if (!narrow)
         return use(wideText());
      constexpr std::size_t kRoom = 260;
      if (size <= kRoom)
      {
         wchar_t room[kRoom];
         std::copy(narrowText().begin(), narrowText().end(), room);
         return use(std::wstring_view(room, size));
      }
      const std::wstring text(narrowText().begin(), narrowText().end());
      return use(std::wstring_view(text));
   }

   template <typename Use>
   static decltype(auto) withWideTexts(const Impl& first, const Impl& second, Use&& use)
   {
      return first.withWideText([&](std::wstring_view firstText) {
         return second.withWideText([&](std::wstring_view secondText) { return use(firstText, secondText); });
      });
   }

   const void* const data;
   const std::size_t size;
   const bool narrow;
   // Plain ASCII without '\\' (so narrow): the generic form is then the text itself.
   const bool genericAscii;
};

} // namespace velorin::core
