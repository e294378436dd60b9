// WinClipboard.hpp: the clipboard, one per user.
//
// Only one program at a time may hold a user's clipboard open, as on Windows: the
// holder keeps a lock on a file of the user's ($XDG_RUNTIME_DIR, else /tmp), which
// goes with its process. What is put on it stays in the process that put it there.
#pragma once

#include <vector>

#include <platform/win32/WinBase.hpp>
#include <platform/win32/WinShell.hpp>

constexpr UINT CF_ENHMETAFILE = 14;

// FALSE with 5 while another program, or this one, holds the clipboard open.
BOOL OpenClipboard(HWND newOwner);
// Each of these needs the clipboard open (1418 otherwise).
BOOL EmptyClipboard();
// Takes over the data handle (a metafile for CF_ENHMETAFILE); null with the last error
// when it cannot.
HANDLE SetClipboardData(UINT format, HANDLE memory);
BOOL CloseClipboard();

namespace velorin::platform {

// For tests: the formats the clipboard holds, in the order they were set.
std::vector<UINT> clipboardFormats();

} // namespace velorin::platform
