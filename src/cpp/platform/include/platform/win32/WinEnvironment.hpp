// WinEnvironment.hpp: reading the process environment.
#pragma once

#include <platform/win32/WinBase.hpp>

// Names compare as on Windows: an exact match first, else the first one equal without
// regard to ASCII case. Returns the value's length in UTF-16 units when it fits with
// its NUL, else the size needed (NUL included); 0 when the variable is unset (last
// error ERROR_ENVVAR_NOT_FOUND) or empty.
DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size);
