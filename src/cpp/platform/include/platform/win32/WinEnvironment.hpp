// WinEnvironment.hpp: the process environment with Windows' rules.
//
// The variables are the C library's environ, so child processes see what the program
// set. Names compare as on Windows: an exact match first, else the first one equal
// without regard to ASCII case. "PATH" separates its folders with ';' here as on
// Windows and with ':' in environ, where Linux programs look for them; a PATH set
// through these calls reads back exactly as it was set, drive letters and all.
#pragma once

#include <platform/win32/WinBase.hpp>

using LPWCH = WCHAR*;

// Returns the value's length in UTF-16 units when it fits with its NUL, else the size
// needed (NUL included); 0 when the variable is unset (last error
// ERROR_ENVVAR_NOT_FOUND) or empty.
DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size);

// A copy of the environment as "NAME=VALUE" texts, each ended by a NUL, the block by
// a second NUL; null with the last error when it cannot be made. Released by
// FreeEnvironmentStringsW, which refuses (87) a pointer it did not hand out.
LPWCH GetEnvironmentStringsW();
BOOL FreeEnvironmentStringsW(LPWCH block);

// Sets the variable (an existing one of the same name in another case keeps its
// spelling), or removes every variable of that name when the value is null. An empty
// name or one holding '=' is refused with 87.
BOOL SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value);
BOOL SetEnvironmentVariableA(LPCSTR name, LPCSTR value);

// Replaces each %NAME% of a set variable by its value; a reference to a variable that
// is not set, and a lone '%', stay as they are. Returns the size of the result in
// characters, NUL included; when that exceeds the buffer nothing is written.
DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size);

namespace velorin::platform {

// The variable by which a test makes the process stand in a job that refuses to take
// it in a job of its own; a child that breaks away from the job loses it.
constexpr const char* kRefusingJobVariable = "VELORIN_PLATFORM_REFUSING_JOB";

} // namespace velorin::platform
