// PathSupport.hpp: what the path type's sources share, kept out of the public header.
#pragma once

#include <boost/system/error_code.hpp>

#include <platform/Win32Api.hpp>

namespace velorin::core::detail {

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

} // namespace velorin::core::detail
