// Win32StringUtils.hpp: the bridge between the library's UTF-8 text and the UTF-16
// text of wide Windows calls.
//
//   std::wstring wide = string_utils::utf8ToWide(path, "settings path");
//   std::string text = string_utils::wideToUtf8(wide);
//
// Both read their input up to the first NUL, replace malformed sequences with
// U+FFFD, and on failure log a system error and return an empty string.
#pragma once

#include <string>

namespace velorin::core::string_utils {

// A non-empty context is added to a logged failure as the property "context".
std::wstring utf8ToWide(const std::string& text, const std::string& context);

std::string wideToUtf8(const std::wstring& text);

} // namespace velorin::core::string_utils
